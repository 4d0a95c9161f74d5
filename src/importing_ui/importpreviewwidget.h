#pragma once

#include "cards/cardstate.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <vector>

namespace korvo {

class KnowledgeUnit;

// The first cards of an import as they will look: card faces painted by the card painter in
// rows that fill the widget's width. Owns the units it shows; parented like any widget.
class ImportPreviewWidget : public QWidget
{
    Q_OBJECT

public:
    // Card faces are square.
    static constexpr int CardWidth = 160;
    static constexpr int CardHeight = 160;
    static constexpr int Gap = 10;

    explicit ImportPreviewWidget(QWidget* parent = nullptr);
    ~ImportPreviewWidget() override;

    // Takes the units over.
    void setUnits(std::vector<std::unique_ptr<KnowledgeUnit>> units);
    int unitCount() const { return int(m_units.size()); }
    KnowledgeUnit* unit(int index) const;
    void setCardState(const CardState& state);

    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int columns(int width) const;

    std::vector<std::unique_ptr<KnowledgeUnit>> m_units;
    CardState m_state;
};

} // namespace korvo
