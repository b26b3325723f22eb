#include "service/account/cert_context.h"

// Out of line so the class's virtual table lives in this library's one object.
CCertContext::~CCertContext() = default;
