#include "captions.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFrame>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRawFont>
#include <QtMath>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextDocument>

#include <algorithm>

#include "consolefont.h"

namespace {

// Large enough for any caption of a 1920 x 1200 screen.
constexpr int kUnbounded = 100000;

QString objectPath(const QWidget* widget, const QWidget* root)
{
    QStringList names;
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        names.prepend(w->objectName().isEmpty() ? QStringLiteral("<%1>").arg(w->metaObject()->className())
                                                : w->objectName());
        if (w == root)
            break;
    }
    return names.join(QLatin1Char('/'));
}

class Finder
{
public:
    Finder(QWidget* root, const QString& where, CaptionRoom scope) : m_root(root), m_where(where), m_scope(scope) {}

    QStringList run()
    {
        // A state button places its caption frame when it is painted: paint each button that has
        // children once, and let the layouts follow.
        for (QAbstractButton* button : m_root->findChildren<QAbstractButton*>())
            if (button->isVisibleTo(m_root) && !button->children().isEmpty())
                (void)button->grab();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
        visit(m_root);
        for (QWidget* widget : m_root->findChildren<QWidget*>())
            if (widget->isVisibleTo(m_root))
                visit(widget);
        return m_faults;
    }

private:
    // A widget whose font is drawn in a family that the console does not install and choose
    // itself: its text measures as the machine's other fonts make it.
    void checkFamily(QWidget* widget)
    {
        const QString drawn = QFontInfo(widget->font()).family();
        if (!m_families.contains(drawn))
            m_faults << QStringLiteral("%1: %2 %3: the font \"%4\" is drawn in \"%5\", which the console does not install")
                            .arg(m_where, QString::fromLatin1(widget->metaObject()->className()),
                                 objectPath(widget, m_root), widget->font().family(), drawn);
    }

    // The first character of `text` that `font` has no glyph for (drawn in whatever font the
    // machine has that does), or 0. The font file itself is asked: QFontMetrics::inFontUcs4 also
    // counts the glyphs of the fallback fonts that would draw the character in its place.
    static uint missingGlyph(const QString& text, const QFont& font)
    {
        const QRawFont drawn = QRawFont::fromFont(font);
        for (const uint c : text.toUcs4())
            if (!QChar::isSpace(c) && QChar::category(c) != QChar::Other_Control && !drawn.supportsCharacter(c))
                return c;
        return 0;
    }

    void visit(QWidget* widget)
    {
        checkFamily(widget);
        if (auto* label = qobject_cast<QLabel*>(widget))
            checkLabel(label);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            checkButton(button);
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            checkCombo(combo);
    }

    // Text drawn into `room` with `flags`: a fault when a line is wider than the room, or when
    // the ink of the first or the last line reaches past its top or bottom (the font's line box
    // may overhang a little where no glyph reaches).
    void measure(QWidget* widget, const QString& caption, const QFont& font, const QRect& room, int flags,
                 const QString& what = QString())
    {
        QString text = caption;
        if (flags & Qt::TextShowMnemonic)
            text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
        const QFontMetricsF fm(font);
        QStringList lines;
        qreal width = 0;
        if (flags & Qt::TextWordWrap) {
            // A word that is wider than the room is cut, wherever the lines break.
            for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
                width = std::max(width, fm.horizontalAdvance(word));
            const QRectF wrapped = fm.boundingRect(QRectF(0, 0, std::max(room.width(), 1), kUnbounded), flags, text);
            const int count = std::max(1, qRound((wrapped.height() + fm.leading()) / fm.lineSpacing()));
            for (int i = 0; i < count; ++i)
                lines << text;  // each wrapped line may hold the text's tallest glyphs
        } else {
            lines = text.split(QLatin1Char('\n'));
            for (const QString& line : lines)
                width = std::max(width, fm.horizontalAdvance(line));
        }
        // Where the lines stand in the room, as QPainter::drawText places them.
        const qreal height = lines.size() * fm.height() + (lines.size() - 1) * fm.leading();
        qreal top = 0;
        if (flags & Qt::AlignVCenter)
            top = (room.height() - height) / 2;
        else if (flags & Qt::AlignBottom)
            top = room.height() - height;
        const qreal inkTop = top + fm.ascent() + fm.tightBoundingRect(lines.first()).top();
        const qreal inkBottom = top + (lines.size() - 1) * fm.lineSpacing() + fm.ascent()
                                + fm.tightBoundingRect(lines.last()).bottom();
        constexpr qreal kTolerance = 0.5;  // antialiasing of the last pixel row
        QString fault;
        if (const uint c = missingGlyph(text, font))
            fault = QStringLiteral("no glyph for U+%1 in \"%2\"").arg(c, 4, 16, QLatin1Char('0')).arg(QFontInfo(font).family());
        else if (width > room.width())
            fault = QStringLiteral("%1 px wide in %2").arg(qCeil(width)).arg(room.width());
        else if (inkTop < -kTolerance || inkBottom > room.height() + kTolerance)
            fault = QStringLiteral("%1 line%2 of %3 px cut at the %4 in %5 px")
                        .arg(lines.size())
                        .arg(lines.size() > 1 ? QStringLiteral("s") : QString())
                        .arg(qCeil(height))
                        .arg(inkTop < -kTolerance ? QStringLiteral("top") : QStringLiteral("bottom"))
                        .arg(room.height());
        if (fault.isEmpty() && m_scope == CaptionRoom::AsShown) {
            // The ink as it stands in the widget: is it under a widget stacked above it, or
            // outside a parent that clips it?
            qreal left = room.left();
            if (flags & Qt::AlignHCenter)
                left += (room.width() - width) / 2;
            else if (flags & Qt::AlignRight)
                left += room.width() - width;
            const QRectF ink = QRectF(left, room.top() + inkTop, width, inkBottom - inkTop)
                                   .adjusted(kTolerance, kTolerance, -kTolerance, -kTolerance);
            fault = hidden(widget, ink);
        }
        if (fault.isEmpty())
            return;
        QString shown = caption;
        shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        m_faults << QStringLiteral("%1: %2 %3%4 \"%5\": %6")
                        .arg(m_where, QString::fromLatin1(widget->metaObject()->className()),
                             objectPath(widget, m_root), what, shown, fault);
    }

    // Whether a sibling paints over this area of the widget: a filled background, a button, or
    // the border of a frame.
    static bool paintsOver(const QWidget* sibling, const QRectF& area)
    {
        const QRectF box = sibling->geometry();
        if (!box.intersects(area))
            return false;
        if (sibling->autoFillBackground() || qobject_cast<const QAbstractButton*>(sibling))
            return true;
        const auto* frame = qobject_cast<const QFrame*>(sibling);
        if (!frame || frame->frameWidth() <= 0)
            return false;
        const int w = frame->frameWidth();
        return !box.adjusted(w, w, -w, -w).contains(area);
    }

    // Why the ink `area` of `widget` (in its own coordinates) does not show, or "".
    QString hidden(const QWidget* widget, QRectF area) const
    {
        for (const QWidget* w = widget; w != m_root && w->parentWidget() && !w->isWindow(); w = w->parentWidget()) {
            const QWidget* parent = w->parentWidget();
            area.translate(w->pos());
            const QObjectList& siblings = parent->children();
            for (int i = siblings.indexOf(const_cast<QWidget*>(w)) + 1; i < siblings.size(); ++i) {
                const auto* sibling = qobject_cast<const QWidget*>(siblings.at(i));
                if (!sibling || sibling->isWindow() || !sibling->isVisibleTo(m_root) || !paintsOver(sibling, area))
                    continue;
                if (sibling->geometry().contains(w->geometry()))
                    return QString();  // covered whole: shown in its place by design
                return QStringLiteral("lies under %1").arg(objectPath(sibling, m_root));
            }
            if (!QRectF(parent->rect()).contains(area))
                return QStringLiteral("reaches outside %1").arg(objectPath(parent, m_root));
        }
        return QString();
    }

    void checkLabel(QLabel* label)
    {
        if (label->text().isEmpty() || !label->pixmap(Qt::ReturnByValue).isNull())
            return;
        if (label->textFormat() == Qt::RichText
            || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text())))
            return;
        // The rectangle QLabel draws its plain text into.
        QRect room = label->contentsRect();
        const int margin = label->margin();
        room.adjust(margin, margin, -margin, -margin);
        const int align = int(QStyle::visualAlignment(label->layoutDirection(), label->alignment()));
        int indent = label->indent();
        if (indent < 0 && label->frameWidth())
            indent = QFontMetrics(label->font()).horizontalAdvance(QLatin1Char('x')) / 2 - margin;
        if (indent > 0) {
            if (align & Qt::AlignLeft)
                room.setLeft(room.left() + indent);
            if (align & Qt::AlignRight)
                room.setRight(room.right() - indent);
            if (align & Qt::AlignTop)
                room.setTop(room.top() + indent);
            if (align & Qt::AlignBottom)
                room.setBottom(room.bottom() - indent);
        }
        const int flags = align | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
        measure(label, label->text(), label->font(), room, flags);
    }

    void checkButton(QAbstractButton* button)
    {
        if (button->text().isEmpty())
            return;
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox*>(button))
            contents = QStyle::SE_CheckBoxContents;
        else if (qobject_cast<QRadioButton*>(button))
            contents = QStyle::SE_RadioButtonContents;
        else if (auto* push = qobject_cast<QPushButton*>(button)) {
            if (push->autoDefault() || push->isDefault())
                option.features |= QStyleOptionButton::AutoDefaultButton;
            if (push->isFlat())
                option.features |= QStyleOptionButton::Flat;
        }
        QRect room = button->style()->subElementRect(contents, &option, button);
        if (!option.icon.isNull())
            room.setLeft(room.left() + option.iconSize.width() + 4);
        measure(button, button->text(), button->font(), room, Qt::AlignCenter | Qt::TextShowMnemonic);
    }

    void checkCombo(QComboBox* combo)
    {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.frame = combo->hasFrame();
        const QRect room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i)
            measure(combo, combo->itemText(i), combo->font(), room, Qt::AlignLeft | Qt::AlignVCenter,
                    QStringLiteral(" item %1").arg(i));
    }

    QWidget* m_root;
    QString m_where;
    CaptionRoom m_scope;
    const QStringList m_families = consoleFamilies();
    QStringList m_faults;
};

}  // namespace

QStringList clippedCaptions(QWidget* root, const QString& where, CaptionRoom scope)
{
    return Finder(root, where, scope).run();
}
