#include "style/style.h"

#include "text/json.h"
#include "text/translationcatalogue.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QWidget>

namespace korvo {

namespace {

QString g_skinFolder;
Style* g_root = nullptr;
Style* g_cardStyle = nullptr;

QVariant parseJson(const QString& text, bool* ok)
{
    return readJson(text, ok);
}

bool isObject(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantMap;
}

} // namespace

void tintPixmap(QPixmap& pixmap, const QColor& color, qreal opacity)
{
    if (pixmap.isNull())
        return;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.setOpacity(opacity);
    // The rectangle in device pixels covers the logical one whatever the pixel ratio.
    painter.fillRect(QRect(QPoint(0, 0), pixmap.size()), color);
}

Style::Style() = default;

Style::Style(const QVariant& data) : m_data(data) {}

Style::~Style()
{
    qDeleteAll(m_sections);
}

void Style::setSkinFolder(const QString& folder)
{
    g_skinFolder = folder;
}

QString Style::skinFolder()
{
    return g_skinFolder;
}

QString Style::skinFile(const QString& fileName)
{
    return g_skinFolder + "/" + fileName;
}

QPixmap Style::skinPixmap(const QString& fileName)
{
    if (fileName.isEmpty())
        return QPixmap();
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    if (ratio > 1.0) {
        QFileInfo info(skinFile(fileName));
        const QString hiDpi = info.path() + "/" + info.completeBaseName() + "@2x." + info.suffix();
        QPixmap pixmap(hiDpi);
        if (!pixmap.isNull()) {
            pixmap.setDevicePixelRatio(2.0);
            return pixmap;
        }
    }
    return QPixmap(skinFile(fileName));
}

Style* Style::root()
{
    if (!g_root) {
        g_root = new Style();
        g_root->loadFile(skinFile("style.json"));
    }
    return g_root;
}

void Style::destroyRoot()
{
    delete g_root;
    g_root = nullptr;
    g_cardStyle = nullptr;
}

Style* Style::cardStyle()
{
    if (!g_cardStyle)
        g_cardStyle = root()->section("Card");
    return g_cardStyle;
}

bool Style::loadFile(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_data = QVariant();
        return false;
    }
    return loadText(QString::fromUtf8(file.readAll()));
}

bool Style::loadText(const QString& jsonText)
{
    bool ok = false;
    const QVariant parsed = parseJson(jsonText, &ok);
    m_data = ok ? parsed : QVariant();
    return ok;
}

Style* Style::section(const QString& name)
{
    if (Style* cached = m_sections.value(name))
        return cached;
    if (m_data.isNull()) {
        Style* empty = new Style();
        m_sections.insert(name, empty);
        return empty;
    }
    const QVariant content = value(name);
    if (!isObject(content)) {
        // A missing section is an empty style; one shared instance serves every such name. It is
        // kept apart from the cache of sections: any text can be a section name, so no key of
        // that cache is safe from a sheet that defines a section of that name.
        if (!m_missingSection)
            m_missingSection = std::make_unique<Style>();
        return m_missingSection.get();
    }
    Style* style = new Style(content);
    const QString baseName = style->stringValue("base");
    if (!baseName.isEmpty()) {
        // A base chain that comes back to a section being resolved is cut there: the
        // repeated base is treated as absent.
        if (!m_resolving.contains(baseName) && baseName != name) {
            m_resolving.append(name);
            style->m_parent = section(baseName);
            m_resolving.removeLast();
        }
    }
    m_sections.insert(name, style);
    return style;
}

QVariant Style::lookup(const QString& path) const
{
    if (m_data.isNull())
        return QVariant();
    QVariant current = m_data;
    const QStringList pieces = path.split('.');
    for (const QString& piece : pieces) {
        if (!isObject(current)) {
            current = QVariant();
            break;
        }
        current = current.toMap().value(piece);
        if (current.isNull())
            break;
    }
    if (current.isNull() && m_parent)
        return m_parent->lookup(path);
    return current;
}

QVariant Style::value(const QString& path) const
{
    return lookup(path);
}

QString Style::stringValue(const QString& path, const QString& defaultValue) const
{
    const QVariant v = lookup(path);
    return v.isNull() ? defaultValue : v.toString();
}

int Style::intValue(const QString& path, int defaultValue) const
{
    const QVariant v = lookup(path);
    return v.isNull() ? defaultValue : v.toInt();
}

bool Style::boolValue(const QString& path, bool defaultValue) const
{
    const QVariant v = lookup(path);
    return v.isNull() ? defaultValue : v.toBool();
}

double Style::floatValue(const QString& path, double defaultValue) const
{
    const QVariant v = lookup(path);
    return v.isNull() ? defaultValue : v.toDouble();
}

QColor Style::colorValue(const QString& path, const QColor& defaultValue) const
{
    const QVariant v = lookup(path);
    if (v.isNull())
        return defaultValue;
    if (v.typeId() == QMetaType::QColor)
        return v.value<QColor>();
    return QColor(v.toString());
}

QStringList Style::interfaceFontFamilies(const QString& family)
{
    // Interface text in Chinese is set in a sans CJK font; left to the system's fallback it may
    // come out in a brush-style one. Traditional for a traditional-script interface.
    const QString locale = TranslationCatalogue::instance()->locale();
    const bool traditional = locale == QLatin1String("zh_TW") || locale == QLatin1String("zh_HK");
    const QString chinese =
        traditional ? QStringLiteral("Noto Sans CJK TC") : QStringLiteral("Noto Sans CJK SC");
    QStringList families{family};
    if (family != chinese)
        families << chinese;
    return families;
}

void Style::applyInterfaceFont()
{
    QFont font = QApplication::font();
    font.setFamilies(interfaceFontFamilies(QFontInfo(font).family()));
    QApplication::setFont(font);
}

QFont Style::font() const
{
    QFont result;
    result.setFamilies(interfaceFontFamilies(stringValue("fontFamily", "Arial")));
    const int size = intValue("fontSize", 12);
    if (size > 0)
        result.setPointSize(size);
    const bool bold = stringValue("fontWeight", "normal").toLower() == "bold";
    result.setWeight(bold ? QFont::Bold : QFont::Normal);
    return result;
}

StyleShadow Style::shadow(const QString& prefix) const
{
    StyleShadow result;
    result.enabled = boolValue(prefix + "Shadow", false);
    if (!result.enabled)
        return result;
    result.color = colorValue(prefix + "ShadowColor", QColor(0, 0, 0, 255));
    result.offsetY = intValue(prefix + "ShadowY", 1);
    return result;
}

StyleEffect Style::effect(const QString& key) const
{
    StyleEffect result;
    const QString text = stringValue(key, QString());
    if (text.isEmpty())
        return result;
    const QStringList pieces = text.split(',');
    if (pieces.isEmpty())
        return result;
    result.isNull = false;
    result.name = pieces.at(0).trimmed();
    for (int i = 1; i < pieces.size() && i <= 4; ++i)
        result.arguments[i - 1] = pieces.at(i).trimmed();
    return result;
}

QPixmap Style::pixmapValue(const QString& path) const
{
    return skinPixmap(stringValue(path));
}

void Style::applyEffect(QPixmap& pixmap, const StyleEffect& effect)
{
    if (effect.isNull)
        return;
    const qreal opacity = effect.arguments[0].toDouble();
    if (effect.name == "whiten")
        tintPixmap(pixmap, QColor(255, 255, 255), opacity);
    else if (effect.name == "darken")
        tintPixmap(pixmap, QColor(0, 0, 0), opacity);
}

void Style::applyEffect(QImage& image, const StyleEffect& effect)
{
    if (effect.isNull || image.isNull() || (effect.name != "whiten" && effect.name != "darken"))
        return;
    const QImage::Format format = image.format();
    QPixmap pixmap = QPixmap::fromImage(image);
    applyEffect(pixmap, effect);
    image = pixmap.toImage().convertToFormat(format);
}

void Style::applyToWidget(QWidget* widget) const
{
    if (!widget)
        return;
    int width = widget->width();
    int height = widget->height();
    bool ok = false;
    const int styledWidth = value("width").toInt(&ok);
    if (ok)
        width = styledWidth;
    const int styledHeight = value("height").toInt(&ok);
    if (ok)
        height = styledHeight;
    widget->resize(width, height);
    widget->setFont(font());
    const QColor color = colorValue("color", QColor());
    if (color.isValid()) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, color);
        palette.setColor(QPalette::ButtonText, color);
        palette.setColor(QPalette::Text, color);
        widget->setPalette(palette);
    }
}

void Style::applyToPainter(QPainter* painter) const
{
    if (!painter)
        return;
    painter->setPen(colorValue("color", QColor(0, 0, 0, 255)));
    painter->setFont(font());
}

void Style::applyOverrides(const QString& jsonText)
{
    if (m_data.isNull() || !isObject(m_data))
        return;
    bool ok = false;
    const QVariant overrides = parseJson(jsonText, &ok);
    if (!ok || !isObject(overrides))
        return;
    QVariantMap merged = m_data.toMap();
    const QVariantMap sections = overrides.toMap();
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        if (!isObject(s.value()) || !isObject(merged.value(s.key())))
            continue;
        QVariantMap section = merged.value(s.key()).toMap();
        const QVariantMap properties = s.value().toMap();
        for (auto p = properties.cbegin(); p != properties.cend(); ++p) {
            if (!section.value(p.key()).isNull())
                section.insert(p.key(), p.value());
        }
        merged.insert(s.key(), section);
    }
    if (m_loadedData.isNull())
        m_loadedData = m_data;
    m_data = merged;
}

QVariant Style::loadedData() const
{
    return m_loadedData.isNull() ? m_data : m_loadedData;
}

void Style::styleMessageLabel(QLabel* label)
{
    if (!label)
        return;
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont font("Arial");
    font.setPointSize(14);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0x4d, 0x4d, 0x4d, 255));
    label->setPalette(palette);
}

} // namespace korvo
