#pragma once
// Texts built from the platform's error numbers (errno).
#include <string>

// The platform's text for the error, without trailing blanks and full stops.
std::string PlatformErrorText(int err);

// "System Error.  Code: <err>." CR LF <platform text>.
std::string SystemErrorMessage(int err);
