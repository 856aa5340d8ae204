#pragma once

#include "core/i18n/AppendedFiles.h"
#include "core/i18n/GnuGettext.h"
#include "core/i18n/ResourceTranslator.h"

#include <memory>

class QTranslator;

// The localisation of the process from start-up to shutdown: reads the files appended to the
// program, makes the lookup instance, routes every translate() through the catalogues, and
// selects German; Qt's own German texts stand behind the catalogue. Made once, before the first
// window; only one may exist at a time.
class Localisation final
{
    Q_DISABLE_COPY_MOVE(Localisation)

public:
    // The running program with the catalogue appended to it.
    Localisation();
    // Another program file, for tests of what the start-up finds.
    Localisation(const QString &programFile, std::uint64_t tableOffset);
    ~Localisation();

    TGnuGettextInstance &instance() { return *m_instance; }
    const TAssemblyAnalyzer &analyzer() const { return *m_analyzer; }

private:
    void start();

    std::unique_ptr<TAssemblyAnalyzer> m_analyzer;
    std::unique_ptr<TGnuGettextInstance> m_instance;
    std::unique_ptr<QTranslator> m_toolkitTranslator;
    std::unique_ptr<ResourceTranslator> m_translator;
};
