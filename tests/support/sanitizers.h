// Whether the test was built with AddressSanitizer, which reserves far more address space than a
// limit of it leaves and ends the process itself when an allocation fails: a test of such a limit
// is skipped there.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif
