// meridane-signsite: makes the vendor's signing key and signs the update files of a site folder.
#include "services/site.h"
#include "services/update_check.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>

using namespace meridane;

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

void Print(FILE* to, const QString& text) {
    const QByteArray utf8 = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), to);
}

int Usage() {
    Print(stderr, QStringLiteral("usage: meridane-signsite --new-key PRIVATE.pem"));
    Print(stderr, QStringLiteral("       meridane-signsite --public-key PRIVATE.pem"));
    Print(stderr, QStringLiteral("       meridane-signsite --key PRIVATE.pem --site DIR"));
    return 2;
}

int Fail(const QString& what) {
    Print(stderr, QStringLiteral("meridane-signsite: ") + what);
    return 1;
}

Key ReadKey(const QString& file) {
    Key none(nullptr, EVP_PKEY_free);
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return none;
    const QByteArray pem = f.readAll();
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.constData(), int(pem.size())),
                                                  BIO_free);
    Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr,
            EVP_PKEY_free);
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
        return none;
    return key;
}

QByteArray PublicHex(EVP_PKEY* key) {
    unsigned char raw[32];
    size_t size = sizeof raw;
    if (EVP_PKEY_get_raw_public_key(key, raw, &size) != 1 || size != sizeof raw)
        return {};
    return QByteArray(reinterpret_cast<const char*>(raw), int(size)).toHex();
}

int NewKey(const QString& file) {
    if (QFile::exists(file))
        return Fail(file + QStringLiteral(" exists; a key is never overwritten"));
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), EVP_PKEY_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    if (!key || !bio ||
        PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return Fail(QStringLiteral("cannot make a key"));
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return Fail(QStringLiteral("cannot write ") + file);
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    out.write(data, size);
    if (!out.commit())
        return Fail(QStringLiteral("cannot write ") + file);
    Print(stdout, QString::fromLatin1(PublicHex(key.get())));
    return 0;
}

bool SignFile(EVP_PKEY* key, const QString& site, const QString& path) {
    const QString file = site + QLatin1Char('/') + path;
    const QByteArray message = SignedMessage(path, file);
    if (message.isEmpty())
        return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char signature[64];
    size_t size = sizeof signature;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key) != 1 ||
        EVP_DigestSign(ctx.get(), signature, &size,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       size_t(message.size())) != 1)
        return false;
    QSaveFile out(file + QStringLiteral(".sig"));
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(QByteArray(reinterpret_cast<const char*>(signature), int(size)).toBase64() + '\n');
    return out.commit();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString newKey, publicKey, keyFile, site;
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const QString& a = args.at(i);
        const QString& value = args.at(i + 1);
        if (a == QLatin1String("--new-key"))
            newKey = value;
        else if (a == QLatin1String("--public-key"))
            publicKey = value;
        else if (a == QLatin1String("--key"))
            keyFile = value;
        else if (a == QLatin1String("--site"))
            site = value;
        else
            return Usage();
    }
    if (args.size() % 2 != 0 || args.isEmpty())
        return Usage();
    if (!newKey.isEmpty())
        return args.size() == 2 ? NewKey(newKey) : Usage();
    if (!publicKey.isEmpty()) {
        if (args.size() != 2)
            return Usage();
        const Key key = ReadKey(publicKey);
        if (!key)
            return Fail(publicKey + QStringLiteral(" is not an Ed25519 private key"));
        Print(stdout, QString::fromLatin1(PublicHex(key.get())));
        return 0;
    }
    if (keyFile.isEmpty() || site.isEmpty() || args.size() != 4)
        return Usage();
    const Key key = ReadKey(keyFile);
    if (!key)
        return Fail(keyFile + QStringLiteral(" is not an Ed25519 private key"));
    for (const QString& path : {kUpdateDbSitePath, kKnowledgeDbSitePath}) {
        if (!SignFile(key.get(), site, path))
            return Fail(QStringLiteral("cannot sign ") + site + QLatin1Char('/') + path);
        Print(stdout, QStringLiteral("signed ") + path);
    }
    return 0;
}
