#include "platform_error.h"

#include <cstring>

#include "messages.h"

std::string PlatformErrorText(int err) {
    std::string text = std::strerror(err);
    while (!text.empty() && std::strchr(" .\t\r\n", text.back()) != nullptr) {
        text.pop_back();
    }
    return text;
}

std::string SystemErrorMessage(int err) {
    return msg::SystemError(err, std::strerror(err));
}
