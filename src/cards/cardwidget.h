#pragma once

#include "cards/cardstate.h"
#include "style/xqwidget.h"

#include <QPointer>

namespace korvo {

class Profile;

// Shows one card face (a deck card, a knowledge unit or a deck) painted by paintCard(), for
// the practice screen and the card editor. The object is borrowed; the widget is owned by its
// parent. The character forms and the pinyin colouring follow the profile's user settings.
class CardWidget : public XQWidget
{
    Q_OBJECT

public:
    explicit CardWidget(QWidget* parent = nullptr);

    // The profile whose settings ("characterMode", "pinyinColorization", "chineseFont") apply;
    // without one the settings' defaults are used. Borrowed.
    void setProfile(Profile* profile) { m_profile = profile; }

    QObject* object() const { return m_object; }
    void setObject(QObject* object);
    CardState cardState() const { return m_cardState; }
    void setCardState(const CardState& state);

    // The options the card is painted with: the widget's own state restricted to the user's
    // character mode, with the user's pinyin colouring.
    CardState effectiveCardState() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QObject> m_object;
    CardState m_cardState;
    Profile* m_profile = nullptr;
};

} // namespace korvo
