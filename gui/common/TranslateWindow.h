#pragma once

#include "core/system/FileResult.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QWidget;
class TGnuGettextInstance;

struct TTP_RetranslatorItem
{
    QPointer<QObject> Target;
    // A property's name, or "Items", "Tabs" and "Header" for the lists of a combo box, a tab
    // strip and a grid header, whose texts are recorded as one text of lines.
    QByteArray PropertyName;
    QString UntranslatedText;
};

// What a window showed before it was translated, so it can be translated again into another language.
class TTP_Retranslator final
{
public:
    explicit TTP_Retranslator(TGnuGettextInstance &owner);

    QByteArray Domain;
    TGnuGettextInstance &Owner;
    std::vector<TTP_RetranslatorItem> Items;

    void RecordUntranslated(QObject *target, const QByteArray &propertyName, const QString &text);
    FileResult Run();
};

// Owned by a translated window: the language it shows and what it showed before.
class TGnuGettextComponentMarker final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGnuGettextComponentMarker)

public:
    explicit TGnuGettextComponentMarker(TGnuGettextInstance &owner);
    ~TGnuGettextComponentMarker() override;

    QByteArray TranslatedLanguage;
    std::unique_ptr<TTP_Retranslator> WindowRetranslator;
};

// Translates every non-empty writable text property of the window and of every object below it
// (widgets, actions, menus), combo box items, tab texts and grid header sections, except object
// names. Does nothing before the localisation has started. An empty domain is the current one.
FileResult TranslateWindow(QWidget *window, const QByteArray &domain = {});
FileResult TranslateObjectTree(QObject *root, const QByteArray &domain = {});

// A property that is never translated on objects of that class and its descendants.
void TP_GlobalIgnoreClassProperty(const QMetaObject *metaObject, const QByteArray &propertyName);

// The first statement of every window's constructor: the window's tr() texts stay as designed
// while it is built, and when the constructor ends, TranslateWindow translates them and records
// the designed texts. A failure is shown to the operator at the next event loop.
class WindowCreation final
{
    Q_DISABLE_COPY_MOVE(WindowCreation)

public:
    explicit WindowCreation(QWidget *window);
    ~WindowCreation();

private:
    QWidget *m_window;
    QByteArray m_context;
};

// Catalogue failures met while a resource string loads or a window is translated are shown once
// each, together in one message at the next event loop.
void showCatalogueErrors();
