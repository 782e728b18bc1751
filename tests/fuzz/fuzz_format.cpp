// Any value under any picture: the first eight bytes are the double's bits, the rest the
// picture. The result has the picture's decimals and reads back as the rounded value.
#include "FuzzText.h"

#include "app/NumberHandling.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    double value = 0;
    if (size < sizeof value)
        return 0;
    std::memcpy(&value, data, sizeof value);
    const QString picture = fuzzText(data + sizeof value, size - sizeof value);
    if (picture.size() > 64)
        return 0; // the program's pictures are short; long ones only cost time
    const QString text = NumberHandling::format(value, picture);
    if (!std::isfinite(value))
        return 0;
    const qsizetype point = picture.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : int(picture.size() - point - 1);
    const qsizetype shownPoint = text.indexOf(QLatin1Char('.'));
    FUZZ_EXPECT(decimals == 0 ? shownPoint < 0 : text.size() - shownPoint - 1 == decimals);
    // Read as long double: 15 significant digits of DBL_MAX round above it.
        const long double back = std::strtold(QString(text).remove(QLatin1Char(',')).toLatin1().constData(), nullptr);
    FUZZ_EXPECT(std::fabs(back - value) <= 0.5L * std::pow(10.0L, -decimals) + std::fabs(value) * 1e-14L);
    return 0;
}
