# System libraries of the Windows foundation.
target_link_libraries(foundation PUBLIC crypt32)
target_link_libraries(foundation PUBLIC advapi32)
target_link_libraries(foundation PUBLIC wintrust)
