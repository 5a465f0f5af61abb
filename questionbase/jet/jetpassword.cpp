#include "questionbase/jet/jetpassword.h"

#include <QtEndian>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace qb::jet {

namespace {

constexpr qsizetype kScrambledStart = 0x18;
constexpr qsizetype kScrambledLength = 0x80;
constexpr qsizetype kPasswordOffset = 0x42;
constexpr qsizetype kPasswordBytes = 40;  // 20 UTF-16LE units
constexpr qsizetype kCreatedOffset = 0x72;
constexpr std::array<unsigned char, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

// RC4 is its own inverse: the same call scrambles and unscrambles.
void rc4(unsigned char* data, qsizetype length) {
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[i] + kHeaderKey[i % kHeaderKey.size()]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    int a = 0;
    int b = 0;
    for (qsizetype k = 0; k < length; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + s[a]) & 0xFF;
        std::swap(s[a], s[b]);
        data[k] ^= s[(s[a] + s[b]) & 0xFF];
    }
}

// The mask is the little-endian bytes of the creation date's whole day number. A date that
// is no number or lies outside int32 cannot have produced a mask.
std::optional<std::array<unsigned char, 4>> maskFor(double created) {
    if (!std::isfinite(created) || created <= std::numeric_limits<qint32>::min() - 1.0 ||
        created >= std::numeric_limits<qint32>::max() + 1.0)
        return std::nullopt;
    const auto day = static_cast<qint32>(created);
    std::array<unsigned char, 4> mask{};
    qToLittleEndian(day, mask.data());
    return mask;
}

}  // namespace

std::optional<QString> decodeJet4Password(QByteArrayView header) {
    if (header.size() < kJetHeaderSize)
        return std::nullopt;
    std::array<unsigned char, kScrambledLength> plain{};
    std::memcpy(plain.data(), header.data() + kScrambledStart, kScrambledLength);
    rc4(plain.data(), kScrambledLength);

    double created = 0;
    std::memcpy(&created, plain.data() + (kCreatedOffset - kScrambledStart), sizeof created);
    const auto mask = maskFor(qFromLittleEndian(created));
    if (!mask)
        return std::nullopt;

    const unsigned char* stored = plain.data() + (kPasswordOffset - kScrambledStart);
    QString password;
    for (qsizetype i = 0; i < kPasswordBytes; i += 2) {
        const unsigned char low = stored[i] ^ (*mask)[i % 4];
        const unsigned char high = stored[i + 1] ^ (*mask)[(i + 1) % 4];
        const char16_t unit = static_cast<char16_t>(low | (high << 8));
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

QByteArray encodeJet4Password(QByteArrayView header, const QString& password, double created) {
    QByteArray result(header.data(), header.size());
    if (result.size() < kJetHeaderSize)
        result.resize(kJetHeaderSize, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(result.data());
    rc4(bytes + kScrambledStart, kScrambledLength);
    qToLittleEndian(created, bytes + kCreatedOffset);
    const auto mask = maskFor(created).value_or(std::array<unsigned char, 4>{});
    for (qsizetype i = 0; i < kPasswordBytes; i += 2) {
        const qsizetype unit = i / 2;
        const char16_t c = unit < password.size() ? password.at(unit).unicode() : 0;
        bytes[kPasswordOffset + i] = static_cast<unsigned char>(c & 0xFF) ^ mask[i % 4];
        bytes[kPasswordOffset + i + 1] = static_cast<unsigned char>(c >> 8) ^ mask[(i + 1) % 4];
    }
    rc4(bytes + kScrambledStart, kScrambledLength);
    return result;
}

}  // namespace qb::jet
