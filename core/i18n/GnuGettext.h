#pragma once

#include "core/system/FileResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QReadWriteLock>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class TAssemblyAnalyzer;

// One message domain: finds its catalogue (appended to the program file first, then on disk),
// maps it read-only and looks texts up in place. Failures come back with the message in reason.
class TDomain final
{
    Q_DISABLE_COPY_MOVE(TDomain)

public:
    TDomain(const QByteArray &domain, const TAssemblyAnalyzer &analyzer);
    ~TDomain();

    QByteArray Domain() const { return m_domain; }
    QString Directory() const { return m_directory; }
    QByteArray Language() const { return m_language; }
    bool Opened() const { return m_opened; }
    bool Swapped() const { return m_swapped; }
    std::uint32_t EntryCount() const { return m_entryCount; }
    // The file actually mapped: the program file for an appended catalogue.
    QString openedFile() const { return m_openedFile; }

    void SetDirectory(const QString &directory);
    void SetLanguage(const QByteArray &code);

    FileResult OpenCatalogue();
    void CloseCatalogue();

    // The translation of a UTF-8 text, or the text itself; the view lives as long as the
    // catalogue stays open, or as long as the argument when nothing was found.
    Result<QByteArrayView> Lookup(QByteArrayView source);
    Result<QString> GetHeaderField(const QByteArray &name);

private:
    FileResult openLocked();
    QString cataloguePath(const QByteArray &language) const;
    bool exists(const QString &path) const;
    std::uint32_t word(std::uint64_t offset) const;
    QByteArrayView stringAt(std::uint32_t table, std::uint32_t index) const;
    bool tablesInside() const;
    void unmap();

    const QByteArray m_domain;
    const TAssemblyAnalyzer &m_analyzer;
    QString m_directory;
    QByteArray m_language;
    bool m_opened = false;
    bool m_mayOpen = true;
    bool m_swapped = false;
    std::uint32_t m_entryCount = 0;
    std::uint32_t m_sourceTable = 0;
    std::uint32_t m_translationsTable = 0;
    QFile m_file;
    QString m_openedFile;
    const uchar *m_catalogue = nullptr;
    std::uint64_t m_catalogueSize = 0;
    uchar *m_mapping = nullptr;
    QReadWriteLock m_lock;
};

// The process's message lookup: the language, the current domain "default" and every domain asked for.
class TGnuGettextInstance final
{
    Q_DISABLE_COPY_MOVE(TGnuGettextInstance)

public:
    explicit TGnuGettextInstance(const TAssemblyAnalyzer &analyzer);
    ~TGnuGettextInstance();

    QByteArray Language() const { return m_language; }
    QByteArray currentDomain() const { return m_currentDomain; }

    TDomain &FindOrCreateDomain(const QByteArray &name);
    void BindDomain(const QByteArray &name, const QString &directory);
    void SetTextDomain(const QByteArray &name);
    void SelectLanguage(const QByteArray &code);

    Result<QString> TranslateInDomain(const QByteArray &domain, const QString &text);
    Result<QString> TranslateText(const QString &text);

private:
    const TAssemblyAnalyzer &m_analyzer;
    QByteArray m_language;
    QByteArray m_currentDomain = QByteArrayLiteral("default");
    QString m_defaultDomainDirectory;
    std::vector<std::unique_ptr<TDomain>> m_domains;
};

// The language a caller's empty code stands for: LANG, else the user's locale, cut before ".".
QByteArray languageFromEnvironment();

// The instance resource strings and windows use; null before start-up and after shutdown.
TGnuGettextInstance *DefaultInstance();
void setDefaultInstance(TGnuGettextInstance *instance);

// The domains a resource string passes through, in order: "default" first.
void createResourceDomains();
void destroyResourceDomains();
void AddResourceDomain(const QByteArray &name);
QList<QByteArray> resourceDomains();
// The first translation that differs from the text, or the text itself.
Result<QString> TranslateResourceText(const QString &text);
