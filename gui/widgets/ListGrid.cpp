#include "gui/widgets/ListGrid.h"

#include "gui/common/Colors.h"
#include "gui/widgets/CutTextTip.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include <limits>

namespace {
constexpr std::uint32_t GridLineColor = 0xBBBBBB;
constexpr std::uint32_t FocusedRowColor = 0xFFFFFF;
constexpr std::uint32_t EvenRowColor = 0xF8F8F8;
constexpr std::uint32_t OddRowColor = 0xF0F0F0;
} // namespace

// Paints the cell colours and remembers the open in-place editor.
class ListGridView::Delegate final : public QStyledItemDelegate
{
public:
    explicit Delegate(QTableView *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {
    }

    QWidget *openEditor() const { return m_editor; }

    std::function<QString(const QString &)> filter;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        // A field has no length limit; the line editor's default would cut it.
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(std::numeric_limits<int>::max());
        m_editor = editor;
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *line = qobject_cast<QLineEdit *>(editor);
        if (!line || !filter) {
            QStyledItemDelegate::setModelData(editor, model, index);
            return;
        }
        const QString typed = line->text();
        const QString taken = filter(typed);
        model->setData(index, taken, Qt::EditRole);
        emit static_cast<ListGridView *>(m_view)->textEntered(typed, taken);
    }

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QWidget *widget = option.widget;
        const QStyle *style = widget ? widget->style() : QApplication::style();
        // The style leaves a margin on either side of the text it draws.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const int width = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).width() - 2 * margin;
        return showCutTextTip(event, view, index, item.fontMetrics, width)
            || QStyledItemDelegate::helpEvent(event, view, option, index);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QModelIndex focused = m_view->currentIndex();
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        if (selected && index != focused) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QColor background = colorFromBgr(index.row() == focused.row() ? FocusedRowColor
                                                   : index.row() % 2 == 0   ? EvenRowColor
                                                                            : OddRowColor);
        painter->fillRect(option.rect, background);
        QStyleOptionViewItem plain(option);
        initStyleOption(&plain, index);
        plain.state &= ~QStyle::State_Selected;
        plain.backgroundBrush = background;
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, widget);
    }

private:
    QTableView *m_view;
    mutable QPointer<QWidget> m_editor;
};

ListGridView::ListGridView(QWidget *parent)
    : QTableView(parent)
    , m_delegate(new Delegate(this))
{
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    setShowGrid(true);
    // The area below the last row shows the grid line grey as well.
    setStyleSheet(QStringLiteral("QTableView { gridline-color: %1; background-color: %1; }")
                      .arg(colorFromBgr(GridLineColor).name()));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setFixedHeight(18);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
}

void ListGridView::setEnteredTextFilter(std::function<QString(const QString &)> filter)
{
    m_delegate->filter = std::move(filter);
}

void ListGridView::finishEditing()
{
    QWidget *editor = m_delegate->openEditor();
    if (state() != EditingState || !editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void ListGridView::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) {
        edit(currentIndex(), AllEditTriggers, nullptr);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ListGridView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier && index.isValid()
        && state() != EditingState && index == currentIndex())
        edit(index, AllEditTriggers, nullptr);
}

void ListGridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // The focused row has its own colour, so both rows repaint in full.
    viewport()->update();
}
