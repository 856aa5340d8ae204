#pragma once

#include <QByteArray>
#include <QTranslator>

#include <functional>

// Routes every QCoreApplication::translate of the process, the program's and Qt's own, through
// TranslateResourceText: the domain "default" first, then "runtime".
class ResourceTranslator final : public QTranslator
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResourceTranslator)

public:
    explicit ResourceTranslator(QObject *parent = nullptr);
    ~ResourceTranslator() override;

    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    // installTranslator ignores an empty translator; this one has no catalogue of its own.
    bool isEmpty() const override { return false; }

    // Texts of a window being built stay as designed until the window's walk translates them
    // and records what they were.
    static void holdContext(const QByteArray &context);
    static void releaseContext(const QByteArray &context);

    // Who hears of a catalogue that fails while a text is loaded; the text stays untranslated.
    static void setErrorReporter(std::function<void(const QString &)> reporter);
    static void reportError(const QString &message);
};
