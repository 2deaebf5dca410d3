#pragma once
// CITRA_ADDRESS_SANITIZER is defined in a build under AddressSanitizer,
// whose allocator stops the process where an allocation would fail.
#if defined(__SANITIZE_ADDRESS__)
#define CITRA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CITRA_ADDRESS_SANITIZER 1
#endif
#endif
