#include "core/i18n/GnuGettext.h"

#include "core/i18n/AppendedFiles.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <QtEndian>

#include <bit>
#include <cstring>

namespace {
constexpr std::uint32_t Magic = 0x950412DE;
constexpr std::uint32_t SwappedMagic = 0xDE120495;
constexpr std::uint64_t HeaderSize = 20;

QString withSlash(const QString &directory)
{
    return directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
}

int compareBytes(QByteArrayView a, QByteArrayView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    if (common > 0) {
        if (const int c = std::memcmp(a.data(), b.data(), size_t(common)))
            return c;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

FileError catalogueError(const QString &path, const QString &message)
{
    return FileError {path, message};
}
} // namespace

TDomain::TDomain(const QByteArray &domain, const TAssemblyAnalyzer &analyzer)
    : m_domain(domain)
    , m_analyzer(analyzer)
{
}

TDomain::~TDomain()
{
    CloseCatalogue();
}

void TDomain::SetDirectory(const QString &directory)
{
    m_directory = withSlash(directory);
    CloseCatalogue();
}

void TDomain::SetLanguage(const QByteArray &code)
{
    CloseCatalogue();
    m_language = code;
}

void TDomain::unmap()
{
    if (m_mapping)
        m_file.unmap(m_mapping);
    m_file.close();
    m_mapping = nullptr;
    m_catalogue = nullptr;
    m_catalogueSize = 0;
    m_opened = false;
}

void TDomain::CloseCatalogue()
{
    QWriteLocker locker(&m_lock);
    if (m_opened)
        unmap();
    m_mayOpen = true;
}

QString TDomain::cataloguePath(const QByteArray &language) const
{
    return m_directory + QString::fromLocal8Bit(language) + QStringLiteral("/LC_MESSAGES/")
        + QString::fromLocal8Bit(m_domain) + QStringLiteral(".mo");
}

bool TDomain::exists(const QString &path) const
{
    return m_analyzer.IsEmbedded(path) || QFileInfo(path).isFile();
}

std::uint32_t TDomain::word(std::uint64_t offset) const
{
    std::uint32_t value;
    std::memcpy(&value, m_catalogue + offset, sizeof value);
    return m_swapped ? qbswap(value) : value;
}

QByteArrayView TDomain::stringAt(std::uint32_t table, std::uint32_t index) const
{
    const std::uint64_t entry = std::uint64_t(table) + 8 * std::uint64_t(index);
    return QByteArrayView(reinterpret_cast<const char *>(m_catalogue) + word(entry + 4), qsizetype(word(entry)));
}

bool TDomain::tablesInside() const
{
    // Checked once here, so a lookup may read any entry without a test of its own.
    const std::uint64_t tableBytes = 8 * std::uint64_t(m_entryCount);
    for (const std::uint32_t table : {m_sourceTable, m_translationsTable}) {
        if (std::uint64_t(table) + tableBytes > m_catalogueSize)
            return false;
        for (std::uint32_t i = 0; i < m_entryCount; ++i) {
            const std::uint64_t entry = std::uint64_t(table) + 8 * std::uint64_t(i);
            if (std::uint64_t(word(entry)) + word(entry + 4) > m_catalogueSize)
                return false;
        }
    }
    return true;
}

FileResult TDomain::openLocked()
{
    if (m_opened || !m_mayOpen)
        return {};
    QString path = cataloguePath(m_language);
    if (!exists(path))
        path = cataloguePath(m_language.left(2));
    if (!exists(path)) {
        m_mayOpen = false;
        return {};
    }
    const TAssemblyAnalyzer::EmbeddedFile file = m_analyzer.GetEmbeddedFileInfo(path);
    m_openedFile = file.realPath;
    m_file.setFileName(file.realPath);
    if (!m_file.open(QIODevice::ReadOnly))
        return catalogueError(file.realPath, QStringLiteral("Cannot open file ") + file.realPath);
    const std::uint64_t fileSize = std::uint64_t(m_file.size());
    std::uint64_t start = 0;
    std::uint64_t size = fileSize;
    if (file.embedded) {
        start = std::min(file.info.Offset, fileSize);
        size = std::min(file.info.Size, fileSize - start);
    }
    if (fileSize > 0)
        m_mapping = m_file.map(0, qint64(fileSize));
    if (fileSize > 0 && !m_mapping) {
        const QString reason = m_file.errorString();
        m_file.close();
        return catalogueError(file.realPath,
                              QStringLiteral("Cannot map file ") + file.realPath
                                  + QStringLiteral(" into memory. Reason: ") + reason);
    }
    m_catalogue = m_mapping + start;
    m_catalogueSize = size;
    const auto invalid = [&] {
        unmap();
        // A rejected file is not read again until the language or the folder changes.
        m_mayOpen = false;
        return catalogueError(file.realPath,
                              QStringLiteral("This file is not a valid GNU gettext mo file: ") + file.realPath);
    };
    if (m_catalogueSize < HeaderSize)
        return invalid();
    const std::uint32_t magic = word(0);
    if (magic != Magic && magic != SwappedMagic)
        return invalid();
    m_swapped = magic == SwappedMagic;
    m_entryCount = word(8);
    m_sourceTable = word(12);
    m_translationsTable = word(16);
    if (!tablesInside())
        return invalid();
    m_opened = true;
    return {};
}

FileResult TDomain::OpenCatalogue()
{
    {
        QWriteLocker locker(&m_lock);
        const bool wasOpened = m_opened;
        if (FileResult opened = openLocked(); !opened || wasOpened || !m_opened)
            return opened;
    }
    const Result<QString> contentType = GetHeaderField("Content-Type");
    if (contentType && contentType.value().toUpper().contains(QLatin1String("CHARSET=UTF-8")))
        return {};
    const QString path = m_openedFile;
    CloseCatalogue();
    m_mayOpen = false;
    return catalogueError(path,
                          QStringLiteral("The translation for the language code ") + QString::fromLocal8Bit(m_language)
                              + QStringLiteral(" (in ") + path
                              + QStringLiteral(") does not have charset=utf-8 in its Content-Type. "
                                               "Translations are turned off."));
}

Result<QByteArrayView> TDomain::Lookup(QByteArrayView source)
{
    if (!m_opened && m_mayOpen) {
        if (FileResult opened = OpenCatalogue(); !opened)
            return opened.error();
    }
    if (!m_opened || m_entryCount == 0)
        return source;
    // The halving search over positions 1..EntryCount, position i being entry i - 1.
    std::uint32_t step = std::bit_floor(m_entryCount);
    std::uint32_t i = step;
    step /= 2;
    for (;;) {
        const int order = compareBytes(source, stringAt(m_sourceTable, i - 1));
        if (order == 0)
            return stringAt(m_translationsTable, i - 1);
        if (step == 0)
            return source;
        if (order < 0)
            i = i <= step ? 1 : i - step;
        else
            i = std::min(i + step, m_entryCount);
        step /= 2;
    }
}

Result<QString> TDomain::GetHeaderField(const QByteArray &name)
{
    const QByteArray key = name.toUpper() + ": ";
    const Result<QByteArrayView> header = Lookup(QByteArrayView(""));
    if (!header)
        return header.error();
    const QByteArrayView text = header.value();
    qsizetype begin = 0;
    while (begin <= text.size()) {
        qsizetype end = begin;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const QByteArrayView line = text.sliced(begin, end - begin);
        if (line.size() >= key.size() && line.first(key.size()).toByteArray().toUpper() == key) {
            QByteArrayView value = line.sliced(key.size());
            while (!value.isEmpty() && isBlankOrControl(value.front()))
                value = value.sliced(1);
            while (!value.isEmpty() && isBlankOrControl(value.back()))
                value.chop(1);
            return QString::fromUtf8(value);
        }
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        begin = end + 1;
    }
    return QString();
}

TGnuGettextInstance::TGnuGettextInstance(const TAssemblyAnalyzer &analyzer)
    : m_analyzer(analyzer)
    , m_defaultDomainDirectory(analyzer.BaseDirectory() + QStringLiteral("locale"))
{
    SelectLanguage(QByteArray());
    BindDomain(m_currentDomain, m_defaultDomainDirectory);
    SetTextDomain(m_currentDomain);
}

TGnuGettextInstance::~TGnuGettextInstance() = default;

TDomain &TGnuGettextInstance::FindOrCreateDomain(const QByteArray &name)
{
    for (const auto &domain : m_domains) {
        if (domain->Domain().compare(name, Qt::CaseInsensitive) == 0)
            return *domain;
    }
    auto domain = std::make_unique<TDomain>(name, m_analyzer);
    domain->SetDirectory(m_defaultDomainDirectory);
    domain->SetLanguage(m_language);
    m_domains.push_back(std::move(domain));
    return *m_domains.back();
}

void TGnuGettextInstance::BindDomain(const QByteArray &name, const QString &directory)
{
    FindOrCreateDomain(name).SetDirectory(withSlash(directory));
}

void TGnuGettextInstance::SetTextDomain(const QByteArray &name)
{
    m_currentDomain = name;
}

void TGnuGettextInstance::SelectLanguage(const QByteArray &code)
{
    m_language = code.isEmpty() ? languageFromEnvironment() : code;
    for (const auto &domain : m_domains)
        domain->SetLanguage(m_language);
}

Result<QString> TGnuGettextInstance::TranslateInDomain(const QByteArray &domain, const QString &text)
{
    // The empty text would find the catalogue's header; no caller means that.
    if (text.isEmpty())
        return text;
    TDomain &d = FindOrCreateDomain(domain);
    QByteArray source = text.toUtf8();
    source.removeIf([](char c) { return c == '\r'; });
    const Result<QByteArrayView> found = d.Lookup(source);
    if (!found)
        return found.error();
    // Every line ends in CR LF, whichever way the source text ended its lines.
    const QByteArrayView translation = found.value();
    QByteArray withCr;
    withCr.reserve(translation.size() + 8);
    for (qsizetype i = 0; i < translation.size(); ++i) {
        if (translation[i] == '\n' && (i == 0 || translation[i - 1] != '\r'))
            withCr += '\r';
        withCr += translation[i];
    }
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString result = decoder.decode(withCr);
    if (decoder.hasError())
        result.clear();
    if (result.isEmpty())
        return FileError {d.openedFile(),
                          QStringLiteral("Error: Could not translate %1. Probably because the mo file doesn't contain "
                                         "utf-8 encoded translations.")
                              .arg(text)};
    return result;
}

Result<QString> TGnuGettextInstance::TranslateText(const QString &text)
{
    return TranslateInDomain(m_currentDomain, text);
}

QByteArray languageFromEnvironment()
{
    QByteArray code = qgetenv("LANG");
    if (code.isEmpty()) {
        const QStringList parts = QLocale::system().name().split(QLatin1Char('_'));
        if (parts.value(0).size() == 2) {
            code = parts[0].toLatin1();
            if (parts.value(1).size() == 2)
                code += '_' + parts[1].toLatin1();
        }
    }
    if (code.isEmpty())
        code = "C";
    const qsizetype dot = code.indexOf('.');
    return dot >= 0 ? code.left(dot) : code;
}

namespace {
TGnuGettextInstance *g_instance = nullptr;

struct ResourceDomainList
{
    QReadWriteLock lock;
    QList<QByteArray> names {QByteArrayLiteral("default")};
};
std::unique_ptr<ResourceDomainList> g_resourceDomains;
} // namespace

TGnuGettextInstance *DefaultInstance()
{
    return g_instance;
}

void setDefaultInstance(TGnuGettextInstance *instance)
{
    g_instance = instance;
}

void createResourceDomains()
{
    g_resourceDomains = std::make_unique<ResourceDomainList>();
}

void destroyResourceDomains()
{
    g_resourceDomains.reset();
}

void AddResourceDomain(const QByteArray &name)
{
    if (!g_resourceDomains)
        return;
    QWriteLocker locker(&g_resourceDomains->lock);
    for (const QByteArray &known : g_resourceDomains->names) {
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return;
    }
    g_resourceDomains->names << name;
}

QList<QByteArray> resourceDomains()
{
    if (!g_resourceDomains)
        return {};
    QReadLocker locker(&g_resourceDomains->lock);
    return g_resourceDomains->names;
}

Result<QString> TranslateResourceText(const QString &text)
{
    if (!g_resourceDomains || !g_instance)
        return text;
    QReadLocker locker(&g_resourceDomains->lock);
    for (const QByteArray &domain : g_resourceDomains->names) {
        Result<QString> translated = g_instance->TranslateInDomain(domain, text);
        if (!translated)
            return translated;
        // Qt's texts end their lines in LF alone; a translation follows the text it replaces.
        QString result = translated.value();
        if (!text.contains(QLatin1Char('\r')))
            result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (result != text)
            return result;
    }
    return text;
}
