#pragma once

#include <QColor>
#include <QString>

namespace korvo {

class Profile;

// Display options of one card face, passed by value to paintCard(). The practice session keeps
// one for its card (and stores the four visibility flags); card lists build one from the user
// settings with listCardState().
struct CardState
{
    bool simplifiedVisible = true;
    bool traditionalVisible = true;
    bool pinyinVisible = true;
    bool definitionVisible = true;
    // Fill the whole rectangle with the wood image and inset the card face.
    bool woodBackground = true;
    // Draw the card-face image; when false the rectangle is filled with backgroundColor.
    bool cardBackground = true;
    // "none" draws pinyin in one colour; any other value colours each syllable by tone.
    QString pinyinColorization = QStringLiteral("none");
    QColor backgroundColor = QColor(255, 255, 255, 255);
    // Percentage letter spacing of the Latin text; 100 leaves the font unchanged.
    int letterSpacing = 100;
    // Draw the print watermark in the bottom-right corner.
    bool watermark = false;
    // Font family of the characters (the user setting "chineseFont"); empty uses the default.
    QString chineseFont;

    // Applies the user setting "characterMode" ("simplified", "traditional" or "both") to the
    // two character visibility flags: a form stays visible only when the mode includes it.
    void restrictToCharacterMode(const QString& characterMode);
};

// Painter flags of paintCard(); only `selected` changes the drawing.
struct CardPainterFlags
{
    bool hasFocus = false;
    bool selected = false;
};

// The options card lists paint with: the defaults, with the character forms, the pinyin
// colouring and the Chinese font taken from the profile's settings. Without a profile the
// settings' built-in defaults apply (simplified characters, colourised pinyin).
CardState listCardState(Profile* profile);

// Applies the profile's "characterMode", "pinyinColorization" and "chineseFont" to `state`.
CardState applyUserSettings(CardState state, Profile* profile);

} // namespace korvo
