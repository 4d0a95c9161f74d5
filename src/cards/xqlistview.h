#pragma once

#include <QListView>
#include <QPoint>

class QMimeData;

namespace korvo {

// A list view of cards that asks its owner to start a drag (dragRequest) once the pointer has
// moved far enough from the press, and accepts drops of JSON text whose "type" matches the
// type given at construction, showing a bar at the gap where the drop would land. Owned by its
// parent widget.
class XQListView : public QListView
{
    Q_OBJECT

public:
    explicit XQListView(const QString& acceptedType, QWidget* parent = nullptr);

    QString acceptedType() const { return m_acceptedType; }
    // Row before which a drop would insert, or -1 when there is none.
    int dropRow() const { return m_dropRow; }

    // Whether dragged data is text holding a JSON object whose "type", in lower case, is the
    // accepted type.
    bool isAcceptableDrag(const QMimeData* data) const;
    // The drop row for a pointer position in viewport coordinates (see dragMoveEvent).
    int dropRowAt(const QPoint& position) const;

signals:
    // The pointer moved past the start-drag distance with a current item; the event's position
    // is relative to that item's rectangle. The event lives only during the emission.
    void dragRequest(QMouseEvent* event);
    void textDropped(const QString& text, int dropRow);
    void selectionChanged();

public slots:
    void application_startDraggingObject(QObject* object);
    void application_stopDraggingObject(QObject* object);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    void setDropRow(int row);

    QString m_acceptedType;
    QPoint m_pressPosition;
    bool m_dragArmed = false;
    int m_dropRow = -1;
};

} // namespace korvo
