#pragma once
// A pair of large 24-bit BMP files written into a fresh temporary folder
// and removed again when the pair goes away.
#include <cstdint>
#include <string>

class TestImagePair {
public:
    TestImagePair(int32_t width, int32_t height);
    ~TestImagePair();
    TestImagePair(const TestImagePair&) = delete;
    TestImagePair& operator=(const TestImagePair&) = delete;

    const std::string& Original() const { return original_; }
    const std::string& Manipulated() const { return manipulated_; }
    int64_t FileSize() const { return fileSize_; }

private:
    std::string folder_;
    std::string original_;
    std::string manipulated_;
    int64_t fileSize_ = 0;
};
