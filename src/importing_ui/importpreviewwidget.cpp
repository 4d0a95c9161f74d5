#include "importing_ui/importpreviewwidget.h"

#include "cards/cardpainter.h"
#include "dictionary/knowledgeunit.h"

#include <QPainter>

namespace korvo {

ImportPreviewWidget::ImportPreviewWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("importPreview"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_state.woodBackground = false;
}

ImportPreviewWidget::~ImportPreviewWidget() = default;

void ImportPreviewWidget::setUnits(std::vector<std::unique_ptr<KnowledgeUnit>> units)
{
    m_units = std::move(units);
    updateGeometry();
    update();
}

KnowledgeUnit* ImportPreviewWidget::unit(int index) const
{
    return index >= 0 && index < unitCount() ? m_units.at(size_t(index)).get() : nullptr;
}

void ImportPreviewWidget::setCardState(const CardState& state)
{
    m_state = state;
    m_state.woodBackground = false;
    update();
}

int ImportPreviewWidget::columns(int width) const
{
    return qMax(1, (width + Gap) / (CardWidth + Gap));
}

int ImportPreviewWidget::heightForWidth(int width) const
{
    const int rows = (unitCount() + columns(width) - 1) / columns(width);
    return qMax(CardHeight, rows * (CardHeight + Gap) - Gap);
}

QSize ImportPreviewWidget::sizeHint() const
{
    const int width = 3 * CardWidth + 2 * Gap;
    return QSize(width, heightForWidth(width));
}

void ImportPreviewWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int perRow = columns(width());
    for (int i = 0; i < unitCount(); ++i) {
        const QRect rect((i % perRow) * (CardWidth + Gap), (i / perRow) * (CardHeight + Gap),
                         CardWidth, CardHeight);
        paintCard(m_units.at(size_t(i)).get(), &painter, rect, m_state);
    }
}

} // namespace korvo
