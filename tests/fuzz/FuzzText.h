#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as the text a user could type or a row could hold: UTF-8, with
// invalid sequences becoming U+FFFD as they do everywhere else text enters the program.
inline QString fuzzText(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Stops the run with the fuzzer's crash report when an expectation does not hold.
#define FUZZ_EXPECT(condition)                                                            \
    do {                                                                                  \
        if (!(condition))                                                                 \
            __builtin_trap();                                                             \
    } while (false)
