#include "core/i18n/Localisation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

Localisation::Localisation()
    : m_analyzer(std::make_unique<TAssemblyAnalyzer>())
{
    start();
}

Localisation::Localisation(const QString &programFile, std::uint64_t tableOffset)
    : m_analyzer(std::make_unique<TAssemblyAnalyzer>(programFile, tableOffset))
{
    start();
}

void Localisation::start()
{
    m_analyzer->Analyze();
    createResourceDomains();
    m_instance = std::make_unique<TGnuGettextInstance>(*m_analyzer);
    setDefaultInstance(m_instance.get());
    // The toolkit's own texts (file, print and colour dialogs, key names) in German from Qt's
    // catalogue. Installed first, so it answers only what the program's catalogue does not.
    m_toolkitTranslator = std::make_unique<QTranslator>();
    if (m_toolkitTranslator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_toolkitTranslator.get());
    m_translator = std::make_unique<ResourceTranslator>();
    QCoreApplication::installTranslator(m_translator.get());

    AddResourceDomain(QByteArrayLiteral("runtime"));
    // The interface is German whatever the environment says.
    m_instance->SelectLanguage(QByteArrayLiteral("de"));
}

Localisation::~Localisation()
{
    QCoreApplication::removeTranslator(m_translator.get());
    QCoreApplication::removeTranslator(m_toolkitTranslator.get());
    setDefaultInstance(nullptr);
    m_instance.reset();
    destroyResourceDomains();
    m_translator.reset();
    m_analyzer.reset();
}
