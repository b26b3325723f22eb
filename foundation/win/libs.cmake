# System libraries of the Windows foundation.
target_link_libraries(foundation PUBLIC version netapi32 secur32 winscard wtsapi32 wininet advapi32 user32 gdi32)
target_link_libraries(foundation PUBLIC crypt32 wintrust)
