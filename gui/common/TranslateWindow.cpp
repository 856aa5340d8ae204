#include "gui/common/TranslateWindow.h"

#include "core/i18n/GnuGettext.h"
#include "core/i18n/ResourceTranslator.h"
#include "gui/common/OperatorDialogs.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QMetaProperty>
#include <QSet>
#include <QTabBar>
#include <QWidget>

#include <deque>

namespace {
const QString MarkerName = QStringLiteral("GNUgettextMarker");

TTP_Retranslator *g_activeRetranslator = nullptr;

struct TClassMode
{
    const QMetaObject *TargetClass;
    QSet<QByteArray> IgnoredProperties;
};

std::vector<TClassMode> &classRules()
{
    // An object's name is never a text to translate.
    static std::vector<TClassMode> rules {{&QObject::staticMetaObject, {QByteArrayLiteral("OBJECTNAME")}}};
    return rules;
}

QSet<QByteArray> ignoredProperties(const QMetaObject *metaObject)
{
    QSet<QByteArray> ignored;
    for (const TClassMode &rule : classRules()) {
        if (metaObject->inherits(rule.TargetClass))
            ignored.unite(rule.IgnoredProperties);
    }
    return ignored;
}

Result<QString> translated(const QByteArray &domain, const QString &text)
{
    TGnuGettextInstance *instance = DefaultInstance();
    if (!instance || text.isEmpty())
        return text;
    Result<QString> result = instance->TranslateInDomain(domain, text);
    if (!result)
        return result;
    // Qt ends lines in LF alone; a translation keeps the line ends of the text it replaces.
    QString value = result.value();
    if (!text.contains(QLatin1Char('\r')))
        value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return value;
}

FileError propertyError(const QObject *object, const QByteArray &property, const FileError &reason)
{
    const QString className = QString::fromLatin1(object->metaObject()->className());
    const QString name = QString::fromLatin1(property);
    return FileError {reason.path,
                      QStringLiteral("Property cannot be translated.\n"
                                     "Use TP_GlobalIgnoreClassProperty(%1,%2) or\n"
                                     "TP_Ignore (self,'.%2') to prevent this message.\n"
                                     "Reason: %3")
                          .arg(className, name, reason.reason)};
}

// The texts of a list, translated line by line; empty lines stay empty.
Result<QStringList> translatedLines(const QByteArray &domain, const QStringList &lines)
{
    QStringList result;
    result.reserve(lines.size());
    for (const QString &line : lines) {
        Result<QString> text = translated(domain, line);
        if (!text)
            return text.error();
        result << text.value();
    }
    return result;
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

void setComboItems(QComboBox *combo, const QStringList &items)
{
    for (int i = 0; i < combo->count() && i < items.size(); ++i) {
        if (combo->itemText(i) != items[i])
            combo->setItemText(i, items[i]);
    }
}

QStringList tabTexts(const QTabBar *tabs)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

void setTabTexts(QTabBar *tabs, const QStringList &texts)
{
    for (int i = 0; i < tabs->count() && i < texts.size(); ++i) {
        if (tabs->tabText(i) != texts[i])
            tabs->setTabText(i, texts[i]);
    }
}

QStringList headerTexts(const QHeaderView *header)
{
    QStringList texts;
    if (const QAbstractItemModel *model = header->model()) {
        const int count = header->orientation() == Qt::Horizontal ? model->columnCount() : model->rowCount();
        for (int section = 0; section < count; ++section)
            texts << model->headerData(section, header->orientation(), Qt::DisplayRole).toString();
    }
    return texts;
}

// Models that keep their headers take the translation; our own models translate in headerData.
void setHeaderTexts(QHeaderView *header, const QStringList &texts)
{
    QAbstractItemModel *model = header->model();
    if (!model)
        return;
    const QStringList current = headerTexts(header);
    for (int section = 0; section < current.size() && section < texts.size(); ++section) {
        if (current[section] != texts[section])
            model->setHeaderData(section, header->orientation(), texts[section], Qt::DisplayRole);
    }
}

// A list of texts: recorded whole, then translated line by line and written back.
template<typename Read, typename Write>
FileResult translateList(QObject *object, const QByteArray &kind, const QByteArray &domain, Read read, Write write)
{
    const QStringList lines = read();
    if (lines.join(QString()).isEmpty())
        return {};
    if (g_activeRetranslator)
        g_activeRetranslator->RecordUntranslated(object, kind, lines.join(QLatin1Char('\n')));
    const Result<QStringList> result = translatedLines(domain, lines);
    if (!result)
        return propertyError(object, kind, result.error());
    if (result.value() != lines)
        write(result.value());
    return {};
}

FileResult translateLists(QObject *object, const QByteArray &domain)
{
    if (auto *combo = qobject_cast<QComboBox *>(object))
        return translateList(
            object, "Items", domain, [combo] { return comboItems(combo); },
            [combo](const QStringList &items) { setComboItems(combo, items); });
    if (auto *tabs = qobject_cast<QTabBar *>(object))
        return translateList(
            object, "Tabs", domain, [tabs] { return tabTexts(tabs); },
            [tabs](const QStringList &texts) { setTabTexts(tabs, texts); });
    if (auto *header = qobject_cast<QHeaderView *>(object))
        return translateList(
            object, "Header", domain, [header] { return headerTexts(header); },
            [header](const QStringList &texts) { setHeaderTexts(header, texts); });
    return {};
}

FileResult TranslateOneProperty(QObject *object, const QMetaProperty &property, const QByteArray &domain,
                                std::deque<QObject *> &work)
{
    if (property.metaType().id() == QMetaType::QString) {
        const QString old = property.read(object).toString();
        if (old.isEmpty() || !property.isWritable())
            return {};
        if (g_activeRetranslator)
            g_activeRetranslator->RecordUntranslated(object, property.name(), old);
        const Result<QString> text = translated(domain, old);
        if (!text)
            return propertyError(object, property.name(), text.error());
        if (text.value() != old)
            property.write(object, text.value());
        return {};
    }
    if (property.metaType().flags() & QMetaType::PointerToQObject) {
        if (QObject *referred = property.read(object).value<QObject *>())
            work.push_back(referred);
    }
    return {};
}
} // namespace

TTP_Retranslator::TTP_Retranslator(TGnuGettextInstance &owner)
    : Owner(owner)
{
}

void TTP_Retranslator::RecordUntranslated(QObject *target, const QByteArray &propertyName, const QString &text)
{
    Items.push_back({target, propertyName, text});
}

FileResult TTP_Retranslator::Run()
{
    for (const TTP_RetranslatorItem &item : Items) {
        QObject *target = item.Target;
        if (!target)
            continue;
        const QStringList lines = item.UntranslatedText.split(QLatin1Char('\n'));
        if (item.PropertyName == "Items" || item.PropertyName == "Tabs" || item.PropertyName == "Header") {
            const Result<QStringList> result = translatedLines(Domain, lines);
            if (!result)
                return propertyError(target, item.PropertyName, result.error());
            if (auto *combo = qobject_cast<QComboBox *>(target))
                setComboItems(combo, result.value());
            else if (auto *tabs = qobject_cast<QTabBar *>(target))
                setTabTexts(tabs, result.value());
            else if (auto *header = qobject_cast<QHeaderView *>(target))
                setHeaderTexts(header, result.value());
            continue;
        }
        const Result<QString> text = translated(Domain, item.UntranslatedText);
        if (!text)
            return propertyError(target, item.PropertyName, text.error());
        target->setProperty(item.PropertyName.constData(), text.value());
    }
    return {};
}

TGnuGettextComponentMarker::TGnuGettextComponentMarker(TGnuGettextInstance &owner)
    : WindowRetranslator(std::make_unique<TTP_Retranslator>(owner))
{
    setObjectName(MarkerName);
}

TGnuGettextComponentMarker::~TGnuGettextComponentMarker() = default;

void TP_GlobalIgnoreClassProperty(const QMetaObject *metaObject, const QByteArray &propertyName)
{
    const QByteArray name = propertyName.toUpper();
    std::vector<TClassMode> &rules = classRules();
    for (auto it = rules.begin(); it != rules.end(); ++it) {
        if (it->TargetClass == metaObject) {
            it->IgnoredProperties.insert(name);
            return;
        }
        // More specific classes come first.
        if (metaObject->inherits(it->TargetClass)) {
            rules.insert(it, TClassMode {metaObject, {name}});
            return;
        }
    }
    rules.push_back(TClassMode {metaObject, {name}});
}

FileResult TranslateObjectTree(QObject *root, const QByteArray &domain)
{
    TGnuGettextInstance *instance = DefaultInstance();
    if (!instance)
        return {};
    const QByteArray inDomain = domain.isEmpty() ? instance->currentDomain() : domain;
    if (g_activeRetranslator)
        g_activeRetranslator->Domain = inDomain;
    std::deque<QObject *> work {root};
    QSet<QObject *> done;
    FileResult result;
    while (!work.empty() && result) {
        QObject *object = work.front();
        work.pop_front();
        if (!object || done.contains(object))
            continue;
        done.insert(object);
        const QMetaObject *meta = object->metaObject();
        const QSet<QByteArray> ignored = ignoredProperties(meta);
        for (int i = 0; i < meta->propertyCount() && result; ++i) {
            const QMetaProperty property = meta->property(i);
            if (!ignored.contains(QByteArray(property.name()).toUpper()))
                result = TranslateOneProperty(object, property, inDomain, work);
        }
        if (!result)
            break;
        result = translateLists(object, inDomain);
        // Actions shown by a widget need not be its children.
        if (auto *widget = qobject_cast<QWidget *>(object)) {
            for (QAction *action : widget->actions())
                work.push_back(action);
        }
        for (QObject *child : object->children())
            work.push_back(child);
    }
    g_activeRetranslator = nullptr;
    return result;
}

FileResult TranslateWindow(QWidget *window, const QByteArray &domain)
{
    TGnuGettextInstance *instance = DefaultInstance();
    if (!instance || !window)
        return {};
    auto *marker = window->findChild<TGnuGettextComponentMarker *>(MarkerName, Qt::FindDirectChildrenOnly);
    FileResult result;
    if (!marker) {
        marker = new TGnuGettextComponentMarker(*instance);
        g_activeRetranslator = marker->WindowRetranslator.get();
        result = TranslateObjectTree(window, domain);
        // After the walk, so the walk never sees it.
        marker->setParent(window);
    } else if (marker->TranslatedLanguage != instance->Language()) {
        result = marker->WindowRetranslator->Run();
    }
    marker->TranslatedLanguage = instance->Language();
    return result;
}

WindowCreation::WindowCreation(QWidget *window)
    : m_window(window)
    , m_context(window->metaObject()->className())
{
    ResourceTranslator::holdContext(m_context);
}

namespace {
// Every failure once, and all that came before the next event loop in one message: a damaged
// catalogue fails for each window and text, and a box apiece would bury the operator.
void reportCatalogueFailure(const QString &message)
{
    static QSet<QString> reported;
    static QStringList waiting;
    if (reported.contains(message))
        return;
    reported.insert(message);
    waiting << message;
    if (waiting.size() > 1)
        return;
    QMetaObject::invokeMethod(
        qApp,
        [] {
            const QString text = waiting.join(QStringLiteral("\n\n"));
            waiting.clear();
            OperatorDialogs::showError(nullptr, text);
        },
        Qt::QueuedConnection);
}
} // namespace

WindowCreation::~WindowCreation()
{
    ResourceTranslator::releaseContext(m_context);
    if (const FileResult translatedWindow = TranslateWindow(m_window); !translatedWindow)
        reportCatalogueFailure(translatedWindow.error().reason);
}

void showCatalogueErrors()
{
    ResourceTranslator::setErrorReporter(&reportCatalogueFailure);
}
