// The password cipher: enciphering then deciphering with the same key gives the text back
// for every text of the code page's characters. The first byte is the key's length, then
// the key, then the text; zero bytes are dropped (no password holds code 0), and so are
// 0x80 to 0x9F, where the code page's characters differ from Latin-1 (the unit test
// covers them). Deciphering any text at all never fails.
#include "FuzzText.h"

#include "auth_report/Module1.h"

#include <algorithm>

namespace {

QString latin1Without0(const uint8_t *data, size_t size)
{
    QString text;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != 0 && (data[i] < 0x80 || data[i] > 0x9F))
            text += QChar(data[i]);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t keyLength = std::min<size_t>(data[0], size - 1);
    const QString key = latin1Without0(data + 1, keyLength);
    const QString text = latin1Without0(data + 1 + keyLength, size - 1 - keyLength);

    const QString enciphered = CryptPassword(QStringLiteral("E"), key, text);
    FUZZ_EXPECT(enciphered.size() == 2 + 2 * text.size());
    FUZZ_EXPECT(CryptPassword(QStringLiteral("D"), key, enciphered) == text);

    CryptPassword(QStringLiteral("D"), key, fuzzText(data, size));
    return 0;
}
