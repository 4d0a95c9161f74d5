#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QVariant>

#include <memory>

class QImage;
class QLabel;
class QPainter;
class QWidget;

namespace korvo {

// Shadow drawn under a button's icon or label ("iconShadow", "fontShadow", ...).
struct StyleShadow
{
    bool enabled = true;
    int offsetX = 0;
    int offsetY = 1;
    QColor color = QColor(0, 0, 0, 255);
};

// An image effect named by a style property, e.g. "whiten,0.3": a name and up to four arguments.
struct StyleEffect
{
    bool isNull = true;
    QString name;
    QVariant arguments[4];
};

// Paints `color` over the opaque parts of `pixmap` (source-atop), at `opacity`.
void tintPixmap(QPixmap& pixmap, const QColor& color, qreal opacity);

// The style sheet: the JSON file "style.json" of the skin folder, handed out as named sections
// with "base" inheritance and typed property lookups with defaults.
//
// The process-wide root style is made by root() from the skin folder given to setSkinFolder();
// it owns every section it has handed out (sections are cached and never null). Callers keep
// borrowed pointers.
class Style : public QObject
{
    Q_OBJECT

public:
    // An empty style: every lookup gives its default.
    Style();
    // A style over already parsed content (a map of properties, or of sections for a root).
    explicit Style(const QVariant& data);
    ~Style() override;

    // The skin folder that root() reads "style.json" from and that image names are relative to.
    static void setSkinFolder(const QString& folder);
    static QString skinFolder();
    // skinFolder() + "/" + fileName.
    static QString skinFile(const QString& fileName);
    // Loads an image of the skin folder; prefers the "@2x" file on high-density screens.
    // A file that does not load gives a null pixmap.
    static QPixmap skinPixmap(const QString& fileName);

    // The process-wide root style, loaded on first call from skinFolder() + "/style.json".
    static Style* root();
    // Drops the root style and the card style (at program exit, or in tests to reload).
    static void destroyRoot();
    // The section "Card" of the root, fetched once.
    static Style* cardStyle();

    // Reads and parses a style sheet file; an unreadable or malformed file leaves the style empty.
    bool loadFile(const QString& filePath);
    // Parses style sheet text; returns false (and leaves the style empty) when it does not parse.
    bool loadText(const QString& jsonText);

    bool isEmpty() const { return m_data.isNull(); }
    QVariant data() const { return m_data; }
    Style* parentStyle() const { return m_parent; }

    Style* section(const QString& name);

    QVariant value(const QString& path) const;
    QString stringValue(const QString& path, const QString& defaultValue = QString()) const;
    int intValue(const QString& path, int defaultValue = 0) const;
    bool boolValue(const QString& path, bool defaultValue = false) const;
    double floatValue(const QString& path, double defaultValue = 0.0) const;
    QColor colorValue(const QString& path, const QColor& defaultValue = QColor()) const;

    // The section's font, Chinese text in the interface's CJK sans font.
    QFont font() const;
    // The family followed by the sans CJK family interface text in Chinese is set in (simplified
    // or traditional, as the interface language is written).
    static QStringList interfaceFontFamilies(const QString& family);
    // Gives the application's default font the same Chinese fallback; again after a change of
    // the interface language.
    static void applyInterfaceFont();
    StyleShadow shadow(const QString& prefix) const;
    StyleEffect effect(const QString& key) const;
    // The image named by the file property `path` (empty pixmap when unset or unreadable).
    QPixmap pixmapValue(const QString& path) const;

    static void applyEffect(QPixmap& pixmap, const StyleEffect& effect);
    static void applyEffect(QImage& image, const StyleEffect& effect);

    void applyToWidget(QWidget* widget) const;
    void applyToPainter(QPainter* painter) const;

    // Merges the user's overridden properties (JSON object of sections) into the root content.
    // Only properties that the sheet defines are replaced.
    void applyOverrides(const QString& jsonText);
    // The content as loaded from the file, before any override.
    QVariant loadedData() const;

    static void styleMessageLabel(QLabel* label);

private:
    QVariant lookup(const QString& path) const;

    QVariant m_data;
    QVariant m_loadedData;
    Style* m_parent = nullptr;
    QHash<QString, Style*> m_sections;
    // The empty style handed out for every section name the content does not define.
    std::unique_ptr<Style> m_missingSection;
    // Section names whose base chain is being resolved, to stop a chain that loops.
    QStringList m_resolving;
};

} // namespace korvo
