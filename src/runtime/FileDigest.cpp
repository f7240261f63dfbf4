#include "runtime/FileDigest.h"

#include <QCryptographicHash>
#include <QIODevice>
#include <QLibrary>
#include <QLoggingCategory>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace ostrevin {

namespace {

Q_LOGGING_CATEGORY(lcDigest, "ostrevin.runtime")

/// Hands `add` what `device` has left, a piece at a time; false when a read fails.
template <typename Add> bool readInPieces(QIODevice& device, qint64 pieceBytes, Add add)
{
    QByteArray piece(pieceBytes, Qt::Uninitialized);
    for (qint64 count; (count = device.read(piece.data(), piece.size())) != 0;) {
        if (count < 0)
            return false;
        add(QByteArrayView(piece.constData(), count));
    }
    return true;
}

} // namespace

/// Only the declarations of libcrypto are compiled in; these are its functions.
struct FileDigest::Functions {
    explicit Functions(const QString& file) : library(file) {}

    // Going with the digest does not unload the library: QLibrary unloads only when
    // told to.
    QLibrary library;
    decltype(&EVP_MD_CTX_new) newContext = nullptr;
    decltype(&EVP_MD_CTX_free) freeContext = nullptr;
    decltype(&EVP_sha256) sha256 = nullptr;
    decltype(&EVP_DigestInit_ex) init = nullptr;
    decltype(&EVP_DigestUpdate) update = nullptr;
    decltype(&EVP_DigestFinal_ex) final = nullptr;
    decltype(&OPENSSL_thread_stop) threadStop = nullptr;
};

FileDigest::FileDigest(const QStringList& libraryFiles)
{
    QStringList failures;
    for (const QString& file : libraryFiles) {
        auto functions = std::make_unique<Functions>(file);
        QLibrary& library = functions->library;
        if (!library.load()) {
            failures << library.errorString();
            continue;
        }
        const char* missing = nullptr;
        const auto resolve = [&library, &missing](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            if (!function)
                missing = name;
            return function != nullptr;
        };
        if (resolve(functions->newContext, "EVP_MD_CTX_new") && resolve(functions->freeContext, "EVP_MD_CTX_free") &&
            resolve(functions->sha256, "EVP_sha256") && resolve(functions->init, "EVP_DigestInit_ex") &&
            resolve(functions->update, "EVP_DigestUpdate") && resolve(functions->final, "EVP_DigestFinal_ex") &&
            resolve(functions->threadStop, "OPENSSL_thread_stop")) {
            m_functions = std::move(functions);
            return;
        }
        // A library that loads but lacks a function (another version, or not
        // libcrypto at all) is let go again.
        failures << library.fileName() + u" has no " + QLatin1StringView(missing);
        library.unload();
    }
    qCWarning(lcDigest) << "libcrypto cannot load; digests are taken the slower way:" << failures;
}

FileDigest::~FileDigest() = default;

const FileDigest& FileDigest::standard()
{
#ifdef OSTREVIN_CRYPTO_LIBRARY
    // The file the build found, then the same name wherever the loader looks.
    static const FileDigest digest(
        {QStringLiteral(OSTREVIN_CRYPTO_LIBRARY), QStringLiteral(OSTREVIN_CRYPTO_LIBRARY).section(u'/', -1)});
#else
    static const FileDigest digest(QStringList{});
#endif
    return digest;
}

std::optional<QString> FileDigest::sha256Hex(QIODevice& device, qint64 pieceBytes) const
{
    if (!m_functions) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!readInPieces(device, pieceBytes, [&hash](QByteArrayView piece) { hash.addData(piece); }))
            return std::nullopt;
        return QString::fromLatin1(hash.result().toHex());
    }
    const Functions& f = *m_functions;
    // The digest may run on a pool thread that outlives its caller: release the
    // per-thread state libcrypto keeps (its error queue) as soon as it is done,
    // not at a thread exit that can come after the process's leak check.
    struct ThreadStateRelease {
        decltype(&OPENSSL_thread_stop) stop;
        ~ThreadStateRelease() { stop(); }
    } releaseThreadState{f.threadStop};
    const std::unique_ptr<EVP_MD_CTX, decltype(f.freeContext)> context(f.newContext(), f.freeContext);
    if (!context || f.init(context.get(), f.sha256(), nullptr) != 1)
        throw std::bad_alloc();
    if (!readInPieces(device, pieceBytes, [&f, &context](QByteArrayView piece) {
            f.update(context.get(), piece.data(), static_cast<size_t>(piece.size()));
        }))
        return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    f.final(context.get(), digest, &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), length).toHex());
}

} // namespace ostrevin
