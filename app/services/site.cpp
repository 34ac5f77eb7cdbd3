#include "services/site.h"

#include <QCryptographicHash>
#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace meridane {

namespace {

QByteArray BuiltInKey() {
    return QByteArray::fromHex(QByteArrayLiteral(MERIDANE_UPDATE_KEY));
}

QByteArray& KeyInUse() {
    static QByteArray key = BuiltInKey();
    return key;
}

constexpr qsizetype kEd25519KeyBytes = 32;
constexpr qsizetype kEd25519SignatureBytes = 64;
constexpr qsizetype kDigestPieceBytes = qsizetype(1) << 20;

} // namespace

QString SiteAddress() {
    const QString overridden = qEnvironmentVariable("MERIDANE_SITE_ADDRESS");
    return overridden.isEmpty() ? QStringLiteral(MERIDANE_SITE_ADDRESS) : overridden;
}

QString GuestbookAddress() {
    return SiteAddress() + QStringLiteral("/gb_add.asp");
}

QByteArray UpdateKey() {
    return KeyInUse();
}

void SetUpdateKey(const QByteArray& publicKey) {
    KeyInUse() = publicKey;
}

QByteArray SignedMessage(const QString& path, const QString& file, std::stop_token stop) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash digest(QCryptographicHash::Sha512);
    // A piece at a time, so that a stop is seen within a moment even in a file of gigabytes.
    QByteArray piece(kDigestPieceBytes, Qt::Uninitialized);
    for (;;) {
        if (stop.stop_requested())
            return {};
        const qint64 n = f.read(piece.data(), piece.size());
        if (n < 0)
            return {};
        if (n == 0)
            break;
        digest.addData(QByteArrayView(piece.constData(), n));
    }
    return QByteArrayLiteral("Meridane site file 1\n") + path.toUtf8() + '\n' + digest.result();
}

bool VerifySiteFile(const QString& path, const QString& file, const QByteArray& signature,
                    const QByteArray& publicKey, std::stop_token stop) {
    const QByteArray raw =
        QByteArray::fromBase64(signature.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (raw.size() != kEd25519SignatureBytes || publicKey.size() != kEd25519KeyBytes)
        return false;
    const QByteArray message = SignedMessage(path, file, stop);
    if (message.isEmpty())
        return false;
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(publicKey.constData()),
                                    size_t(publicKey.size())),
        EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                      EVP_MD_CTX_free);
    if (!key || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(raw.constData()),
                            size_t(raw.size()),
                            reinterpret_cast<const unsigned char*>(message.constData()),
                            size_t(message.size())) == 1;
}

} // namespace meridane
