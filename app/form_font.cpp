#include "form_font.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLayout>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextDocument>

#include <cmath>

namespace {

constexpr qreal drawn_point_size = 8;
constexpr qreal smallest_point_size = 6;
constexpr qreal step = 0.5;

// Without a layout the parent cannot make room for a longer text.
bool placed_by_hand(const QWidget *w)
{
    return w->parentWidget() && !w->parentWidget()->layout();
}

QSize text_size(const QLabel *label, const QFont &font)
{
    if (!Qt::mightBeRichText(label->text()))
        return QFontMetrics(font).size(Qt::TextShowMnemonic, label->text());
    QTextDocument doc;
    doc.setDefaultFont(font);
    doc.setDocumentMargin(0);
    doc.setHtml(label->text());
    return doc.size().toSize();
}

bool labels_fit(const QWidget *form, const QFont &font)
{
    const auto labels = form->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (!placed_by_hand(label) || label->text().isEmpty())
            continue;
        const int inset = label->margin() + qMax(label->indent(), 0);
        const QRect room = label->contentsRect().adjusted(inset, inset, -inset, -inset);
        const QSize need = text_size(label, font);
        if (need.width() > room.width() || need.height() > room.height())
            return false;
    }
    return true;
}

bool items_fit(const QComboBox *combo, const QFont &font)
{
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    // The style insets the shown item by a pixel on each side of the edit field.
    const int room =
        combo->style()
            ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo)
            .width() -
        2;
    const QFontMetrics fm(font);
    for (int i = 0; i < combo->count(); ++i) {
        if (fm.horizontalAdvance(combo->itemText(i)) > room)
            return false;
    }
    return true;
}

qreal point_size(const QFont &font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
}

// Largest size from start down, in half points, at which fits holds; start itself when it fits.
template<class Fits> QFont shrink_until(QFont font, qreal start, Fits fits)
{
    font.setPointSizeF(start);
    while (!fits(font) && font.pointSizeF() - step >= smallest_point_size)
        font.setPointSizeF(font.pointSizeF() - step);
    return font;
}

} // namespace

void fit_form_font(QWidget *form)
{
    const QFont desktop = form->font();
    const qreal desktop_size = point_size(desktop);
    if (desktop_size > drawn_point_size || !labels_fit(form, desktop)) {
        const qreal start = qMin(drawn_point_size, std::floor(desktop_size / step) * step);
        form->setFont(
            shrink_until(desktop, start, [form](const QFont &f) { return labels_fit(form, f); }));
    }

    const auto combos = form->findChildren<QComboBox *>();
    for (QComboBox *combo : combos) {
        const QFont font = combo->font();
        if (!placed_by_hand(combo) || items_fit(combo, font))
            continue;
        combo->setFont(shrink_until(font, point_size(font) - step,
                                    [combo](const QFont &f) { return items_fit(combo, f); }));
    }
}
