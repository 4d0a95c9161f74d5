#include "cards/xqlistview.h"

#include "text/json.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace korvo {

namespace {

const QColor DropBarColor(0, 159, 255);
// How far to the left of the pointer the drop position is searched for an item, in pixels.
constexpr int DropProbeDistance = 500;

} // namespace

XQListView::XQListView(const QString& acceptedType, QWidget* parent)
    : QListView(parent), m_acceptedType(acceptedType)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

bool XQListView::isAcceptableDrag(const QMimeData* data) const
{
    if (!data || !data->hasText())
        return false;
    bool ok = false;
    const QVariant value = readJson(data->text(), &ok);
    if (!ok || value.typeId() != QMetaType::QVariantMap)
        return false;
    return value.toMap().value(QStringLiteral("type")).toString().toLower() == m_acceptedType;
}

int XQListView::dropRowAt(const QPoint& position) const
{
    QModelIndex index = indexAt(position);
    if (index.isValid())
        return index.row();
    for (int offset = 1; offset <= DropProbeDistance; ++offset) {
        index = indexAt(position - QPoint(offset, 0));
        if (index.isValid())
            return index.row() > 0 ? index.row() + 1 : -1;
    }
    return -1;
}

void XQListView::setDropRow(int row)
{
    if (row == m_dropRow)
        return;
    m_dropRow = row;
    viewport()->update();
}

void XQListView::application_startDraggingObject(QObject* object) {}

void XQListView::application_stopDraggingObject(QObject* object)
{
    setDropRow(-1);
}

void XQListView::mousePressEvent(QMouseEvent* event)
{
    m_pressPosition = event->position().toPoint();
    m_dragArmed = true;
    QListView::mousePressEvent(event);
}

void XQListView::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragArmed = false;
    QListView::mouseReleaseEvent(event);
}

void XQListView::mouseMoveEvent(QMouseEvent* event)
{
    const QModelIndex current = currentIndex();
    if (m_dragArmed && current.isValid()) {
        const QPoint position = event->position().toPoint();
        if ((position - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragArmed = false;
            const QRect itemRect = visualRect(current);
            const QPointF local = event->position() - QPointF(itemRect.topLeft());
            QMouseEvent itemEvent(event->type(), local, event->globalPosition(), event->button(),
                                  event->buttons(), event->modifiers());
            emit dragRequest(&itemEvent);
            return;
        }
    }
    QListView::mouseMoveEvent(event);
}

void XQListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (isAcceptableDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void XQListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!isAcceptableDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    setDropRow(dropRowAt(event->position().toPoint()));
    event->acceptProposedAction();
}

void XQListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    // A drag that leaves the view must not leave its bar behind.
    setDropRow(-1);
    QListView::dragLeaveEvent(event);
}

void XQListView::dropEvent(QDropEvent* event)
{
    const int row = m_dropRow;
    if (isAcceptableDrag(event->mimeData()) && row >= 0) {
        event->acceptProposedAction();
        setDropRow(-1);
        emit textDropped(event->mimeData()->text(), row);
        return;
    }
    setDropRow(-1);
    event->ignore();
}

void XQListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (m_dropRow < 0 || !model())
        return;
    const int count = model()->rowCount(rootIndex());
    if (count <= 0)
        return;
    QRect itemRect;
    if (m_dropRow < count) {
        itemRect = visualRect(model()->index(m_dropRow, 0, rootIndex()));
    } else {
        itemRect = visualRect(model()->index(count - 1, 0, rootIndex()));
        itemRect.translate(itemRect.width() + spacing(), 0);
    }
    QPainter painter(viewport());
    painter.setPen(Qt::NoPen);
    painter.setBrush(DropBarColor);
    painter.drawRect(
        QRect(itemRect.left() - spacing() / 2 - 2, itemRect.top(), 2, itemRect.height()));
}

void XQListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    emit selectionChanged();
}

} // namespace korvo
