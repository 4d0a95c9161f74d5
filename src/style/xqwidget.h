#pragma once

#include <QWidget>

namespace korvo {

// Base of the program's own screens and bars. Child placement is deferred to the next paint:
// invalidate() marks the layout stale and schedules a repaint, and the paint then calls
// updateLayout() once. Owned by its Qt parent.
class XQWidget : public QWidget
{
    Q_OBJECT

public:
    explicit XQWidget(QWidget* parent = nullptr);

    bool layoutInvalid() const { return m_layoutInvalid; }

public slots:
    void invalidate();

protected:
    // Places the children; subclasses override it. The base version only clears the flag.
    virtual void updateLayout();
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_layoutInvalid = true;
};

} // namespace korvo
