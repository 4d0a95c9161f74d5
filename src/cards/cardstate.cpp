#include "cards/cardstate.h"

#include "profile/profile.h"

namespace korvo {

void CardState::restrictToCharacterMode(const QString& characterMode)
{
    const bool both = characterMode == QLatin1String("both");
    if (!both && characterMode != QLatin1String("simplified"))
        simplifiedVisible = false;
    if (!both && characterMode != QLatin1String("traditional"))
        traditionalVisible = false;
}

CardState applyUserSettings(CardState state, Profile* profile)
{
    QString characterMode = QStringLiteral("simplified");
    QString colorization = QStringLiteral("pinyin");
    QString chineseFont;
    if (profile) {
        characterMode = profile->setting(QStringLiteral("characterMode"), characterMode).toString();
        colorization =
            profile->setting(QStringLiteral("pinyinColorization"), colorization).toString();
        chineseFont = profile->setting(QStringLiteral("chineseFont"), QString()).toString();
    }
    state.restrictToCharacterMode(characterMode);
    state.pinyinColorization = colorization;
    state.chineseFont = chineseFont;
    return state;
}

CardState listCardState(Profile* profile)
{
    return applyUserSettings(CardState(), profile);
}

} // namespace korvo
