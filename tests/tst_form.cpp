#include "test_env.h"
#include "window_probe.h"

#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

#include <memory>

namespace {

// One row per named widget, in creation order. geometry is checked only where the widget
// sits at a fixed position; policy only where the form gives one.
struct Widget_row
{
    const char *name;
    const char *cls;
    const char *parent;
    const char *text; // text, group title or tab title
    int min = -1;     // spin box range; -1 for other classes
    int max = -1;
    QStringList items; // combo items, checked when not empty
    bool enabled = true;
    QRect geometry;
    const char *policy = nullptr; // "Fixed/Preferred" and so on
};

const QRect in_layout;
const QStringList no_items;

const std::vector<Widget_row> &widget_rows()
{
    static const QString ff = QStringLiteral("Fixed/Fixed");
    static const std::vector<Widget_row> rows = {
        {"centralwidget", "QWidget", "MainWindow", ""},
        {"adv_frame", "QFrame", "centralwidget", "", -1, -1, no_items, true,
         QRect(420, 380, 572, 61)},
        {"main_frame", "QFrame", "centralwidget", "", -1, -1, no_items, true,
         QRect(19, 10, 395, 431), "Fixed/Preferred"},
        {"widget", "QWidget", "main_frame", "", -1, -1, no_items, true, in_layout,
         "Preferred/Fixed"},
        {"btn_connect", "QPushButton", "widget", "Соединиться"},
        {"btn_scan", "QPushButton", "widget", "Пересканировать"},
        {"btn_about", "QPushButton", "widget", "О программе ..."},
        {"btn_quit", "QPushButton", "widget", "Выход"},
        {"groupBox", "QGroupBox", "widget", "COM port"},
        {"cb_port", "QComboBox", "groupBox", ""},
        {"groupBox_3", "QGroupBox", "widget", "Адрес модуля"},
        {"sb_address_upu", "QSpinBox", "groupBox_3", "", 0, 99},
        {"groupBox_2", "QGroupBox", "widget", "Адрес PTZ"},
        {"sb_address_ptz", "QSpinBox", "groupBox_2", "", 0, 65535},
        {"groupBox_4", "QGroupBox", "main_frame", "Настройка помывки", -1, -1, no_items, true,
         in_layout, "Preferred/Fixed"},
        {"main_tabWidget", "QTabWidget", "groupBox_4", ""},
        {"main_tab", "QWidget", "main_tabWidget", "Расписание"},
        {"groupBox_7", "QGroupBox", "main_tab", "интервал помывки"},
        {"sb_min", "QSpinBox", "groupBox_7", "", 0, 59},
        {"label_3", "QLabel", "groupBox_7", "минут"},
        {"sb_hour", "QSpinBox", "groupBox_7", "", 0, 23},
        {"label_4", "QLabel", "groupBox_7", "часов"},
        {"sb_day", "QSpinBox", "groupBox_7", "", 0, 364},
        {"label_5", "QLabel", "groupBox_7", "дней"},
        {"main_tab_2", "QWidget", "main_tabWidget", "Дождь"},
        {"sb_time_interval_rain", "QSpinBox", "main_tab_2", "", 0, 65535, no_items, true, in_layout,
         "Fixed/Fixed"},
        {"cb_wiper_not_active", "QCheckBox", "main_tab_2", "Выключить режим дождя"},
        {"label_8", "QLabel", "main_tab_2", "Интервал работы дворника в режиме дождь"},
        {"btn_read_wish", "QPushButton", "groupBox_4", "Прочитать"},
        {"btn_write_wish", "QPushButton", "groupBox_4", "Записать"},
        {"lbl_main_frame", "QLabel", "main_frame", nullptr},
        {"groupBox_6", "QGroupBox", "centralwidget", "Расширенные настройки", -1, -1, no_items,
         true, QRect(420, 0, 541, 371)},
        {"adv_tabWidget", "QTabWidget", "groupBox_6", ""},
        {"tab", "QWidget", "adv_tabWidget", "Режим работы PTZ"},
        {"cm_WorkReg", "QComboBox", "tab", "", -1, -1,
         QStringList{"Точка", "Тур", "Скан", "Патерн"}, true, QRect(120, 20, 62, 22)},
        {"label_19", "QLabel", "tab", "Режим работы", -1, -1, no_items, true,
         QRect(30, 20, 81, 16)},
        {"tabPTZ_WorkMode", "QTabWidget", "tab", "", -1, -1, no_items, true,
         QRect(10, 50, 491, 71)},
        {"tab_2", "QWidget", "tabPTZ_WorkMode", "Точка"},
        {"sb_PresetInitPos", "QSpinBox", "tab_2", "", 0, 99, no_items, true, QRect(300, 10, 39, 20),
         "Fixed/Fixed"},
        {"label_20", "QLabel", "tab_2", "Номер пресета для сохранения текущей позиции", -1, -1,
         no_items, true, QRect(10, 10, 281, 20)},
        {"tab_3", "QWidget", "tabPTZ_WorkMode", "Тур"},
        {"layoutWidget", "QWidget", "tab_3", "", -1, -1, no_items, true, QRect(30, 20, 411, 22)},
        {"sb_NumTour", "QSpinBox", "layoutWidget", "", 0, 99, no_items, true, in_layout,
         "Fixed/Fixed"},
        {"label_29", "QLabel", "layoutWidget", "Номер тура"},
        {"tab_4", "QWidget", "tabPTZ_WorkMode", "Паттерн"},
        {"sb_NumPattern", "QSpinBox", "tab_4", "", 0, 99, no_items, true, QRect(300, 10, 39, 20),
         "Fixed/Fixed"},
        {"label_30", "QLabel", "tab_4", "Номер паттерна", -1, -1, no_items, true,
         QRect(10, 10, 281, 20)},
        {"tab_5", "QWidget", "tabPTZ_WorkMode", "Скан"},
        {"sb_NumScan", "QSpinBox", "tab_5", "", 0, 99, no_items, true, QRect(300, 10, 39, 20),
         "Fixed/Fixed"},
        {"label_31", "QLabel", "tab_5", "Номер скана", -1, -1, no_items, true,
         QRect(10, 10, 281, 20)},
        {"layoutWidget1", "QWidget", "tab", "", -1, -1, no_items, true, QRect(10, 200, 491, 48)},
        {"label_32", "QLabel", "layoutWidget1", "Номер пресета работы дворника"},
        {"sb_preset_wiper", "QSpinBox", "layoutWidget1", "", 0, 65535, no_items, true, in_layout,
         "Fixed/Fixed"},
        {"sb_preset_move", "QSpinBox", "layoutWidget1", "", 0, 65535, no_items, true, in_layout,
         "Fixed/Fixed"},
        {"label_33", "QLabel", "layoutWidget1",
         "Номер пресета для поворота  в позицию помывки PTZ"},
        {"layoutWidget_2", "QWidget", "tab", "", -1, -1, no_items, true, QRect(0, 270, 511, 25)},
        {"btn_read_presets", "QPushButton", "layoutWidget_2", "Прочитать"},
        {"btn_write_presets", "QPushButton", "layoutWidget_2", "Записать"},
        {"adv_tab_1", "QWidget", "adv_tabWidget", "Настройка помывки камеры"},
        {"label_14", "QLabel", "adv_tab_1", "с", -1, -1, no_items, true, in_layout,
         "Fixed/Preferred"},
        {"label_7", "QLabel", "adv_tab_1", "время работы насоса"},
        {"label_13", "QLabel", "adv_tab_1", "Время работы дворника"},
        {"sb_interval_washout", "QSpinBox", "adv_tab_1", "", 0, 99, no_items, true, in_layout,
         "Fixed/Fixed"},
        {"label_11", "QLabel", "adv_tab_1", "Время поворота PTZ в позицию помывки (команда MOVE)"},
        {"sb_time_pattern_move", "QSpinBox", "adv_tab_1", "", 0, 65535, no_items, true, in_layout,
         "Fixed/Fixed"},
        {"sb_time_pattern_wiper", "QSpinBox", "adv_tab_1", "", 0, 65535, no_items, true, in_layout,
         "Fixed/Fixed"},
        {"label_34", "QLabel", "adv_tab_1", "с", -1, -1, no_items, true, in_layout,
         "Fixed/Preferred"},
        {"label_16", "QLabel", "adv_tab_1", "с", -1, -1, no_items, true, in_layout,
         "Fixed/Preferred"},
        {"label_9", "QLabel", "adv_tab_1", "Исходное состояние контактов датчика дождя(нет дождя)"},
        {"cb_normal_sensor_rain", "QComboBox", "adv_tab_1", "", -1, -1,
         QStringList{"Замкнутое", "Разомкнутое"}},
        {"btn_read_time", "QPushButton", "adv_tab_1", "Прочитать"},
        {"btn_write_time", "QPushButton", "adv_tab_1", "Записать"},
        {"adv_tab_2", "QWidget", "adv_tabWidget", "Контроль модуля управления"},
        {"btn_read_state", "QPushButton", "adv_tab_2", "Прочитать все настройки и статусы модуля"},
        {"label_17", "QLabel", "adv_tab_2", "Состояние"},
        {"le_state", "QLineEdit", "adv_tab_2", "", -1, -1, no_items, false},
        {"cb_alarm_in", "QCheckBox", "adv_tab_2", "ручной запуск", -1, -1, no_items, false},
        {"cb_level", "QCheckBox", "adv_tab_2", "моющая жидкость", -1, -1, no_items, false},
        {"cb_rain", "QCheckBox", "adv_tab_2", "Дождь", -1, -1, no_items, false},
        {"btn_pump_off", "QPushButton", "adv_tab_2", "Насос выключить", -1, -1, no_items, true,
         in_layout, "Fixed/Fixed"},
        {"btn_pump_on", "QPushButton", "adv_tab_2", "Насос включить", -1, -1, no_items, true,
         in_layout, "Fixed/Fixed"},
        {"lbl_adv_frame", "QLabel", "centralwidget", nullptr, -1, -1, no_items, true,
         QRect(430, 390, 552, 41)},
        {"menubar", "QMenuBar", "MainWindow", "", -1, -1, no_items, true, QRect(0, 0, 999, 22)},
        {"statusbar", "QStatusBar", "MainWindow", ""},
    };
    return rows;
}

// Tab pages live in the tab widget's inner stack; the form names the tab widget as parent.
QWidget *owner(QWidget *w)
{
    QWidget *p = w->parentWidget();
    if (p && p->objectName() == QLatin1String("qt_tabwidget_stackedwidget"))
        p = p->parentWidget();
    return p;
}

QString shown_text(QWidget *w)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(owner(w)))
        return tabs->tabText(tabs->indexOf(w));
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    return QString();
}

QString policy_name(QSizePolicy::Policy p)
{
    switch (p) {
    case QSizePolicy::Fixed:
        return QStringLiteral("Fixed");
    case QSizePolicy::Preferred:
        return QStringLiteral("Preferred");
    case QSizePolicy::Expanding:
        return QStringLiteral("Expanding");
    case QSizePolicy::Minimum:
        return QStringLiteral("Minimum");
    default:
        return QString::number(int(p));
    }
}

QString policy_of(const QSizePolicy &p)
{
    return policy_name(p.horizontalPolicy()) + QLatin1Char('/') + policy_name(p.verticalPolicy());
}

// A layout's items as "name", "name@row,col" in grids, "~h"/"~v" for spacers.
QStringList layout_items(QLayout *layout)
{
    QStringList out;
    auto *grid = qobject_cast<QGridLayout *>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        QString name;
        if (item->widget())
            name = item->widget()->objectName();
        else if (item->layout())
            name = item->layout()->objectName();
        else if (QSpacerItem *s = item->spacerItem())
            name = s->expandingDirections() & Qt::Horizontal ? QStringLiteral("~h")
                                                             : QStringLiteral("~v");
        if (grid) {
            int row, col, rspan, cspan;
            grid->getItemPosition(i, &row, &col, &rspan, &cspan);
            name += QStringLiteral("@%1,%2").arg(row).arg(col);
            if (rspan != 1 || cspan != 1)
                name += QStringLiteral("+span");
        }
        out << name;
    }
    return out;
}

} // namespace

class tst_form : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void widget_tree_data();
    void widget_tree();
    void creation_order();
    void layouts_data();
    void layouts();
    void tab_pages_data();
    void tab_pages();
    void start_state();
    void indicators_refuse_input_data();
    void indicators_refuse_input();
    void work_mode_does_not_switch_page();
    void fixed_positions_survive_resize();

private:
    std::unique_ptr<Test_env> env;
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;
};

void tst_form::initTestCase()
{
    env = std::make_unique<Test_env>();
    window = std::make_unique<MainWindow>();
    ui = Window_probe::ui(*window);
}

void tst_form::cleanupTestCase()
{
    window.reset();
    env.reset();
}

void tst_form::widget_tree_data()
{
    QTest::addColumn<QString>("cls");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("policy");

    for (const Widget_row &r : widget_rows()) {
        QTest::newRow(r.name) << QString::fromLatin1(r.cls) << QString::fromLatin1(r.parent)
                              << (r.text ? QVariant(QString::fromUtf8(r.text)) : QVariant())
                              << r.min << r.max << r.items << r.enabled << r.geometry
                              << QString::fromLatin1(r.policy);
    }
}

void tst_form::widget_tree()
{
    QFETCH(QString, cls);
    QFETCH(QString, parent);
    QFETCH(QVariant, text);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(QStringList, items);
    QFETCH(bool, enabled);
    QFETCH(QRect, geometry);
    QFETCH(QString, policy);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QWidget *> found = window->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *w = found.first();

    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), cls);
    QVERIFY(owner(w));
    QCOMPARE(owner(w)->objectName(), parent);
    if (text.isValid())
        QCOMPARE(shown_text(w), text.toString());
    QCOMPARE(w->isEnabled(), enabled);
    if (!geometry.isNull())
        QCOMPARE(w->geometry(), geometry);
    if (!policy.isEmpty())
        QCOMPARE(policy_of(w->sizePolicy()), policy);

    auto *spin = qobject_cast<QSpinBox *>(w);
    QCOMPARE(spin != nullptr, min >= 0);
    if (spin) {
        QCOMPARE(spin->minimum(), min);
        QCOMPARE(spin->maximum(), max);
        QCOMPARE(spin->singleStep(), 1);
        QVERIFY(spin->prefix().isEmpty());
        QVERIFY(spin->suffix().isEmpty());
    }
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        QVERIFY(!combo->isEditable());
        if (!items.isEmpty()) {
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i)
                shown << combo->itemText(i);
            QCOMPARE(shown, items);
        }
    }
}

// Children are kept in creation order, which is also the focus order of the form.
void tst_form::creation_order()
{
    QHash<QString, QStringList> expected;
    for (const Widget_row &r : widget_rows())
        expected[QString::fromLatin1(r.parent)] << QString::fromLatin1(r.name);

    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QWidget *parent = it.key() == QLatin1String("MainWindow")
                              ? window.get()
                              : window->findChild<QWidget *>(it.key());
        QVERIFY2(parent, qPrintable(it.key()));
        // A tab widget reorders its pages as they are shown; tab_pages checks them.
        if (qobject_cast<QTabWidget *>(parent))
            continue;
        QStringList actual;
        const QObjectList kids = parent->children();
        for (QObject *o : kids) {
            if (it.value().contains(o->objectName()))
                actual << o->objectName();
        }
        QCOMPARE(actual, it.value());
    }
}

void tst_form::layouts_data()
{
    QTest::addColumn<QString>("holder"); // widget or enclosing layout
    QTest::addColumn<QString>("cls");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("zero_margins");

    const auto row = [](const char *name, const char *holder, const char *cls, const QString &items,
                        bool zero = false) {
        QTest::newRow(name) << QString::fromLatin1(holder) << QString::fromLatin1(cls)
                            << (items.isEmpty() ? QStringList() : items.split(QLatin1Char(' ')))
                            << zero;
    };
    row("verticalLayout_2", "adv_frame", "QVBoxLayout", "");
    row("verticalLayout_4", "main_frame", "QVBoxLayout", "widget groupBox_4 lbl_main_frame");
    row("horizontalLayout", "widget", "QHBoxLayout", "verticalLayout gridLayout");
    row("verticalLayout", "horizontalLayout", "QVBoxLayout",
        "btn_connect btn_scan btn_about btn_quit");
    row("gridLayout", "horizontalLayout", "QGridLayout",
        "groupBox@0,0 groupBox_3@2,0 groupBox_2@2,1");
    row("verticalLayout_9", "groupBox", "QVBoxLayout", "cb_port");
    row("verticalLayout_8", "groupBox_3", "QVBoxLayout", "sb_address_upu");
    row("verticalLayout_10", "groupBox_2", "QVBoxLayout", "sb_address_ptz");
    row("verticalLayout_3", "groupBox_4", "QVBoxLayout", "main_tabWidget horizontalLayout_4");
    row("verticalLayout_11", "main_tab", "QVBoxLayout", "groupBox_7");
    row("horizontalLayout_5", "groupBox_7", "QHBoxLayout",
        "sb_min label_3 sb_hour label_4 sb_day label_5");
    row("verticalLayout_12", "main_tab_2", "QVBoxLayout", "gridLayout_4");
    row("gridLayout_4", "verticalLayout_12", "QGridLayout",
        "sb_time_interval_rain@0,1 cb_wiper_not_active@1,0 label_8@0,0");
    row("horizontalLayout_4", "verticalLayout_3", "QHBoxLayout",
        "~h btn_read_wish ~h btn_write_wish ~h");
    row("verticalLayout_6", "groupBox_6", "QVBoxLayout", "adv_tabWidget");
    row("gridLayout_2", "layoutWidget", "QGridLayout", "sb_NumTour@0,1 label_29@0,0", true);
    row("gridLayout_6", "layoutWidget1", "QGridLayout",
        "label_32@2,0 sb_preset_wiper@2,1 sb_preset_move@0,1 label_33@0,0", true);
    row("horizontalLayout_9", "layoutWidget_2", "QHBoxLayout",
        "~h btn_read_presets ~h btn_write_presets ~h", true);
    row("verticalLayout_13", "adv_tab_1", "QVBoxLayout", "gridLayout_5 ~v horizontalLayout_6");
    row("gridLayout_5", "verticalLayout_13", "QGridLayout",
        "label_14@0,2 label_7@3,0 label_13@2,0 sb_interval_washout@3,1 label_11@0,0 "
        "sb_time_pattern_move@0,1 sb_time_pattern_wiper@2,1 label_34@3,2 label_16@2,2 "
        "label_9@5,0 cb_normal_sensor_rain@5,1");
    row("horizontalLayout_6", "verticalLayout_13", "QHBoxLayout",
        "~h btn_read_time ~h btn_write_time ~h");
    row("verticalLayout_14", "adv_tab_2", "QVBoxLayout",
        "btn_read_state horizontalLayout_3 horizontalLayout_7 horizontalLayout_8");
    row("horizontalLayout_3", "verticalLayout_14", "QHBoxLayout", "label_17 le_state");
    row("horizontalLayout_7", "verticalLayout_14", "QHBoxLayout", "cb_alarm_in cb_level cb_rain");
    row("horizontalLayout_8", "verticalLayout_14", "QHBoxLayout", "btn_pump_off btn_pump_on");
}

void tst_form::layouts()
{
    QFETCH(QString, holder);
    QFETCH(QString, cls);
    QFETCH(QStringList, items);
    QFETCH(bool, zero_margins);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto *layout = window->findChild<QLayout *>(name);
    QVERIFY(layout);
    QCOMPARE(QString::fromLatin1(layout->metaObject()->className()), cls);
    QCOMPARE(layout_items(layout), items);

    auto *enclosing = qobject_cast<QLayout *>(layout->parent());
    if (enclosing) {
        QCOMPARE(enclosing->objectName(), holder);
    } else {
        QVERIFY(layout->parentWidget());
        QCOMPARE(layout->parentWidget()->objectName(), holder);
        QCOMPARE(layout->parentWidget()->layout(), layout);
        const QMargins m = layout->contentsMargins();
        if (zero_margins) {
            QCOMPARE(m, QMargins());
        } else {
            QStyle *style = layout->parentWidget()->style();
            QCOMPARE(m.left(), style->pixelMetric(QStyle::PM_LayoutLeftMargin));
            QCOMPARE(m.top(), style->pixelMetric(QStyle::PM_LayoutTopMargin));
        }
    }

    for (int i = 0; i < layout->count(); ++i) {
        QSpacerItem *s = layout->itemAt(i)->spacerItem();
        if (!s)
            continue;
        const bool horizontal = s->expandingDirections() & Qt::Horizontal;
        QCOMPARE(s->sizeHint(), horizontal ? QSize(40, 20) : QSize(20, 20));
        QCOMPARE(policy_of(s->sizePolicy()), horizontal ? QStringLiteral("Expanding/Minimum")
                                                        : QStringLiteral("Minimum/Expanding"));
    }
}

void tst_form::tab_pages_data()
{
    QTest::addColumn<QStringList>("pages");
    QTest::newRow("main_tabWidget") << QStringList{"main_tab", "main_tab_2"};
    QTest::newRow("adv_tabWidget") << QStringList{"tab", "adv_tab_1", "adv_tab_2"};
    QTest::newRow("tabPTZ_WorkMode") << QStringList{"tab_2", "tab_3", "tab_4", "tab_5"};
}

void tst_form::tab_pages()
{
    QFETCH(QStringList, pages);
    auto *tabs = window->findChild<QTabWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(tabs);
    QStringList actual;
    for (int i = 0; i < tabs->count(); ++i)
        actual << tabs->widget(i)->objectName();
    QCOMPARE(actual, pages);
    QCOMPARE(tabs->currentIndex(), 0);
}

void tst_form::start_state()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("ORB PTZ Washing"));
    QVERIFY(!window->testAttribute(Qt::WA_SetWindowIcon));
    QCOMPARE(window->menuBar(), ui->menubar);
    QVERIFY(ui->menubar->actions().isEmpty());
    QCOMPARE(window->statusBar(), ui->statusbar);
    QVERIFY(ui->statusbar->currentMessage().isEmpty());
    QCOMPARE(window->centralWidget(), ui->centralwidget);
    QVERIFY(!ui->centralwidget->layout());

    QCOMPARE(ui->cm_WorkReg->currentIndex(), 0);
    QCOMPARE(ui->cb_normal_sensor_rain->currentIndex(), 0);
    QCOMPARE(ui->cb_port->currentIndex(), ui->cb_port->count() > 0 ? 0 : -1);

    for (QSpinBox *spin : window->findChildren<QSpinBox *>())
        QVERIFY2(spin->value() == 0, qPrintable(spin->objectName()));
    for (QCheckBox *box : window->findChildren<QCheckBox *>())
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    QVERIFY(ui->le_state->text().isEmpty());

    QCOMPARE(ui->adv_frame->frameShape(), QFrame::StyledPanel);
    QCOMPARE(ui->adv_frame->frameShadow(), QFrame::Raised);
    QCOMPARE(ui->main_frame->frameShape(), QFrame::StyledPanel);
    QCOMPARE(ui->main_frame->frameShadow(), QFrame::Raised);
    QCOMPARE(ui->lbl_main_frame->alignment(), Qt::AlignCenter);
    QCOMPARE(ui->lbl_adv_frame->alignment(), Qt::AlignCenter);

    QCOMPARE(ui->lbl_main_frame->text(),
             QStringLiteral("<span style=\"font-size:20pt; font-weight:600; color:#000000;\">"
                            "ОРБ</span> <span style=\" font-size:20pt; font-weight:600; "
                            "color:#aa0000;\">Zeduzareze</span>"));
    // Notice line, line break, then a link whose text is its own target, without a scheme.
    const QRegularExpression footer(
        QStringLiteral("^([^<]+)<br><a href='([^':/]+\\.[^':/]+)'>\\2</a>$"));
    const QRegularExpressionMatch m = footer.match(ui->lbl_adv_frame->text());
    QVERIFY2(m.hasMatch(), qPrintable(ui->lbl_adv_frame->text()));
    QVERIFY(!m.captured(1).trimmed().isEmpty());
}

void tst_form::indicators_refuse_input_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("cb_alarm_in") << "cb_alarm_in";
    QTest::newRow("cb_level") << "cb_level";
    QTest::newRow("cb_rain") << "cb_rain";
    QTest::newRow("le_state") << "le_state";
}

void tst_form::indicators_refuse_input()
{
    QFETCH(QString, name);
    ui->adv_tabWidget->setCurrentWidget(ui->adv_tab_2);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QWidget *w = window->findChild<QWidget *>(name);
    QVERIFY(w);
    QTest::mouseClick(w, Qt::LeftButton);
    QTest::keyClicks(w, QStringLiteral(" x"));
    if (auto *box = qobject_cast<QCheckBox *>(w))
        QVERIFY(!box->isChecked());
    else
        QVERIFY(ui->le_state->text().isEmpty());
    QVERIFY(!w->isEnabled());
    ui->adv_tabWidget->setCurrentIndex(0);
}

void tst_form::work_mode_does_not_switch_page()
{
    ui->tabPTZ_WorkMode->setCurrentIndex(0);
    ui->cm_WorkReg->setCurrentIndex(2);
    QCOMPARE(ui->cm_WorkReg->currentText(), QStringLiteral("Скан"));
    QCOMPARE(ui->tabPTZ_WorkMode->currentIndex(), 0);
    QCOMPARE(ui->tabPTZ_WorkMode->tabText(3), QStringLiteral("Скан"));
    ui->cm_WorkReg->setCurrentIndex(0);
}

void tst_form::fixed_positions_survive_resize()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QList<QWidget *> fixed = {ui->main_frame, ui->groupBox_6, ui->adv_frame,
                                    ui->lbl_adv_frame};
    QList<QRect> before;
    for (QWidget *w : fixed)
        before << w->geometry();

    for (const QSize &size : {QSize(1400, 800), QSize(600, 300), QSize(999, 492)}) {
        window->resize(size);
        QTRY_COMPARE(window->size(), size);
        for (int i = 0; i < fixed.size(); ++i)
            QCOMPARE(fixed[i]->geometry(), before[i]);
    }
}

QTEST_MAIN(tst_form)
#include "tst_form.moc"
