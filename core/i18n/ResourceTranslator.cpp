#include "core/i18n/ResourceTranslator.h"

#include "core/i18n/GnuGettext.h"

#include <QList>

namespace {
QList<QByteArray> &heldContexts()
{
    static QList<QByteArray> contexts;
    return contexts;
}

std::function<void(const QString &)> &errorReporter()
{
    static std::function<void(const QString &)> reporter;
    return reporter;
}
} // namespace

ResourceTranslator::ResourceTranslator(QObject *parent)
    : QTranslator(parent)
{
}

ResourceTranslator::~ResourceTranslator() = default;

QString ResourceTranslator::translate(const char *context, const char *sourceText, const char *, int) const
{
    if (!sourceText || !*sourceText)
        return QString();
    if (context && heldContexts().contains(QByteArrayView(context)))
        return QString();
    const QString text = QString::fromUtf8(sourceText);
    const Result<QString> translated = TranslateResourceText(text);
    if (!translated) {
        reportError(translated.error().reason);
        return QString();
    }
    return translated.value() == text ? QString() : translated.value();
}

void ResourceTranslator::holdContext(const QByteArray &context)
{
    heldContexts().append(context);
}

void ResourceTranslator::releaseContext(const QByteArray &context)
{
    heldContexts().removeOne(context);
}

void ResourceTranslator::setErrorReporter(std::function<void(const QString &)> reporter)
{
    errorReporter() = std::move(reporter);
}

void ResourceTranslator::reportError(const QString &message)
{
    if (errorReporter())
        errorReporter()(message);
}
