// Helpers shared by the fuzz targets: splitting the fuzzer's bytes into the
// values a target needs, and failing loudly when a property does not hold.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#define REQUIRE(condition)                                                        \
    do {                                                                          \
        if (!(condition)) {                                                       \
            fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__,   \
                    #condition);                                                  \
            abort();                                                              \
        }                                                                         \
    } while (0)

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // Fixed-size numbers come first in an input; missing bytes read as zero.
    template <typename T>
    T take() {
        T value = 0;
        size_t n = size_ < sizeof value ? size_ : sizeof value;
        memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }

    bool empty() const { return size_ == 0; }

    // The bytes up to the next zero byte, or to the end.
    std::string takeText() {
        const uint8_t* end = (const uint8_t*)memchr(data_, 0, size_);
        size_t n = end ? (size_t)(end - data_) : size_;
        std::string text((const char*)data_, n);
        size_t used = end ? n + 1 : n;
        data_ += used;
        size_ -= used;
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// A heap copy of exactly the text and its terminating zero, so that the
// address sanitizer reports any read behind it.
inline std::vector<char> exactCopy(const std::string& text) {
    return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}
