#include "core/i18n/Localisation.h"

#include <QCoreApplication>

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
    m_translator = std::make_unique<ResourceTranslator>();
    QCoreApplication::installTranslator(m_translator.get());

    AddResourceDomain(QByteArrayLiteral("runtime"));
    // The interface is German whatever the environment says.
    m_instance->SelectLanguage(QByteArrayLiteral("de"));
}

Localisation::~Localisation()
{
    QCoreApplication::removeTranslator(m_translator.get());
    setDefaultInstance(nullptr);
    m_instance.reset();
    destroyResourceDomains();
    m_translator.reset();
    m_analyzer.reset();
}
