// The numeric test and the leading-number reading on any text, and the editor's pictures
// on what they give.
#include "FuzzText.h"

#include "app/NumberHandling.h"

#include <cmath>
#include <cstdlib>

namespace {

void checkFormatted(double value)
{
    using namespace NumberHandling;
    for (const QString *picture : {&amountPicture, &costPicture, &quantityPicture, &wholePicture}) {
        const QString text = format(value, *picture);
        FUZZ_EXPECT(!text.isEmpty());
        for (const QChar c : text)
            FUZZ_EXPECT((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(',')
                        || c == QLatin1Char('.') || c == QLatin1Char('-'));
        // The digits read back give the value to within the picture's rounding.
        // Read as long double: 15 significant digits of DBL_MAX round above it.
        const long double back = std::strtold(QString(text).remove(QLatin1Char(',')).toLatin1().constData(), nullptr);
        const qsizetype point = picture->indexOf(QLatin1Char('.'));
        const int decimals = point < 0 ? 0 : int(picture->size() - point - 1);
        FUZZ_EXPECT(std::fabs(back - value) <= 0.5L * std::pow(10.0L, -decimals) + std::fabs(value) * 1e-14L);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    if (NumberHandling::isNumeric(text)) {
        const double value = NumberHandling::numericValue(text);
        FUZZ_EXPECT(std::isfinite(value));
        checkFormatted(value);
    }
    const double leading = NumberHandling::leadingNumber(text);
    FUZZ_EXPECT(std::isfinite(leading));
    checkFormatted(leading);
    return 0;
}
