#!/usr/bin/python3
"""The main window as a screen reader meets it: read through AT-SPI, driven by the Tab key and
by AT-SPI actions, against the module simulator; what to find is taken from the window's form.
Run by tests/a11y/run, which gives it Xvfb and a session bus:
  tests/a11y/run build/app/orb-ptz-washing build/sim/orb-module-sim forms/mainwindow.ui [ROW...]
Rows: names, tab_chain, visit, names_en (all when none is named).
"""

import argparse
import collections
import os
import re
import select
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

# Loaded only once the tool's window is up: a Qt 5 tool that starts after the first AT-SPI
# client never registers with the accessibility bus.
pyatspi = Atspi = GLib = None

WINDOW_TITLE = 'ORB PTZ Washing'
# The maker's name stays as it is in every language.
WORD_MARK = 'ОРБ'
CYRILLIC = re.compile('[\u0400-\u04ff]')

# The role a widget class of the form has in the tree; a page of a tab widget is a page tab.
ROLE_OF_CLASS = {'QPushButton': 'push button', 'QCheckBox': 'check box',
                 'QComboBox': 'combo box', 'QSpinBox': 'spin button', 'QLineEdit': 'text',
                 'QTabWidget': 'page tab list', 'QLabel': 'label'}

# What a user reaches and operates; the list items inside a closed combo box are not shown.
CONTROL_ROLES = {'push button', 'check box', 'combo box', 'spin button', 'text', 'page tab'}

KEYSYMS = {'Tab': 0xff09, 'Home': 0xff50, 'Down': 0xff54, 'space': 0x20, 'Return': 0xff0d}

# Filled once pyatspi is loaded.
ROLE_NAMES = {}


def check(cond, text):
    if not cond:
        raise AssertionError(text)


def pump():
    """Runs the GLib main context: without it the client sees no events and a stale tree."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait_for(what, cond, timeout=5.0):
    """The first true value of cond within timeout; past it, a failure, or None when what is."""
    end = time.monotonic() + timeout
    while True:
        pump()
        value = cond()
        if value or time.monotonic() > end:
            break
        time.sleep(0.01)
    check(value or what is None, 'no %s within %.1f s' % (what, timeout))
    return value


def read_line(stream, timeout):
    """One line from a child's unbuffered pipe, or '' when none comes in time."""
    if not select.select([stream], [], [], timeout)[0]:
        return ''
    return stream.readline().decode().strip()


def role(obj):
    """The role by its number, named as at-spi2-core 2.46 names it: from 2.52 on a push button's
    role name is "button", and a reader goes by the number."""
    return ROLE_NAMES.get(int(obj.getRole()), obj.getRoleName())


def walk(obj, showing=False):
    """obj and everything under it; with showing, only what is shown, the popups of combo boxes
    (shown even while closed) left out."""
    if showing and not has(obj, pyatspi.STATE_SHOWING):
        return
    yield obj
    if showing and role(obj) == 'combo box':
        return
    for child in children(obj):
        yield from walk(child, showing)


def children(obj):
    return [c for c in (obj.getChildAtIndex(i) for i in range(obj.childCount)) if c is not None]


def has(obj, state):
    return obj.getState().contains(state)


def labelling(obj):
    """The named objects labelling obj."""
    return [rel.getTarget(i) for rel in obj.getRelationSet()
            if rel.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for i in range(rel.getNTargets()) if (rel.getTarget(i).name or '').strip()]


def announced(obj, kind=None):
    """The label a reader speaks with the control's role (kind, when already read): its name, or
    the names of the objects labelling it. A combo box's name is its current item, so only its
    labels count; a tab list is told by its tabs."""
    kind = kind or role(obj)
    if kind == 'page tab list':
        return [t.name for t in children(obj)]
    name = '' if kind == 'combo box' else (obj.name or '').strip()
    return name or ' '.join(t.name.strip() for t in labelling(obj))


def locate(readings, want):
    """The first object of readings, each (object, role, what it announces), that is want, a
    (role, caption) the form gives; a tab list may hold pages the code adds after the form's,
    and a caption of None fits any."""
    return next((obj for obj, kind, got in readings if kind == want[0] and want[1] in (
        None, got[:len(want[1])] if isinstance(got, list) else got)), None)


def describe(obj):
    return '%s %r' % (role(obj), announced(obj))


def press(obj, action='Press'):
    act = obj.queryAction()
    names = [act.getName(i) for i in range(act.nActions)]
    check(action in names, '%s has no action %s' % (describe(obj), action))
    check(act.doAction(names.index(action)), 'action %s of %s refused' % (action, describe(obj)))


def prop(w, name, kind='property'):
    node = w.find("./%s[@name='%s']/*" % (kind, name))
    return node.text if node is not None else None


def expect(form, name):
    """(role, caption) of the form's widget name as a reader finds it: its accessible name, its
    own text, the label whose buddy it is or the title of its group box; a page's title, a tab
    widget's page titles. The caption is None when only the code fills it."""
    parent = {c: p for p in form.iter() for c in p}
    w = form.find(".//widget[@name='%s']" % name)
    check(w is not None, 'the form has no widget %s' % name)
    up = parent[w]
    if up.get('class') == 'QTabWidget':
        return 'page tab', prop(w, 'title', 'attribute')
    role = ROLE_OF_CLASS.get(w.get('class'))
    if role == 'page tab list':
        return role, [prop(p, 'title', 'attribute') for p in w.findall('./widget')]
    caption = prop(w, 'accessibleName') or prop(w, 'text') or next(
        (prop(l, 'text') for l in form.iter('widget')
         if l.get('class') == 'QLabel' and prop(l, 'buddy') == name), None)
    while caption is None and up.tag != 'widget':
        up = parent[up]
    if caption is None and up.get('class') == 'QGroupBox':
        caption = prop(up, 'title')
    return role, caption


def select_page(tab):
    # A tab list is named after its current page; the action lands about 100 ms later.
    if tab.parent.name != tab.name:
        press(tab)
        wait_for('page %r' % tab.name, lambda: tab.parent.name == tab.name)


def key(name):
    # Through the registry's XTEST, as xdotool would, without a process per key.
    Atspi.generate_keyboard_event(KEYSYMS[name], None, Atspi.KeySynthType.SYM)


class Tool:
    """The tool's window, the simulator it talks to, and their temporary working folder."""

    def __init__(self, opts, args=()):
        self.opts, self.form = opts, ET.parse(opts.form).getroot()
        self.work = tempfile.TemporaryDirectory(prefix='orb-a11y-')
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.work.name, 'config'),
                   QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
        self.sim = subprocess.Popen([os.path.abspath(opts.sim)], cwd=self.work.name, env=env,
                                    bufsize=0, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
        self.port = read_line(self.sim.stdout, 10)
        check(self.port, 'the simulator printed no port')
        env['ORB_PTZ_WASHING_EXTRA_PORTS'] = self.port
        # Links the tool opens land in a file, through an xdg-open of our own.
        self.opened = os.path.join(self.work.name, 'opened.txt')
        with open(os.path.join(self.work.name, 'xdg-open'), 'w') as f:
            f.write('#!/bin/sh\necho "$@" >> %s\n' % self.opened)
        os.chmod(f.name, 0o755)
        env['PATH'] = self.work.name + os.pathsep + env.get('PATH', '')
        for name in ('XDG_CURRENT_DESKTOP', 'DESKTOP_SESSION', 'BROWSER', 'DEFAULT_BROWSER'):
            env.pop(name, None)
        self.proc = subprocess.Popen([os.path.abspath(opts.tool), *args], cwd=self.work.name,
                                     env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--pid',
                                str(self.proc.pid), '--name', '^%s$' % WINDOW_TITLE],
                               capture_output=True, text=True, timeout=30)
        self.wid = found.stdout.split()[0]

        global pyatspi, Atspi, GLib
        import pyatspi
        from gi.repository import Atspi, GLib
        for name in CONTROL_ROLES | set(ROLE_OF_CLASS.values()) | {'alert', 'dialog'}:
            ROLE_NAMES[int(getattr(pyatspi, 'ROLE_' + name.upper().replace(' ', '_')))] = name
        desktop = pyatspi.Registry.getDesktop(0)
        self.app = wait_for('tool on the accessibility bus', lambda: next(
            (a for a in children(desktop) if a.get_process_id() == self.proc.pid), None), 15)
        # Read every property afresh: states such as "showing" change without an event.
        Atspi.Accessible.set_cache_mask(self.app, Atspi.Cache.NONE)
        self.window = wait_for('main window in the tree', lambda: next(
            (w for w in children(self.app) if w.name == WINDOW_TITLE), None))
        self.activate()
        self.tab_lists = [o for o in walk(self.window) if role(o) == 'page tab list']
        # What took the focus since the last clear, first first; listened to only once the tool
        # is on the bus, as it learns of no listener registered before.
        self.focused = []
        self.listener = lambda ev: ev.detail1 and self.focused.append(ev.source)
        pyatspi.Registry.registerEventListener(self.listener, 'object:state-changed:focused')

    def activate(self):
        # No window manager gives the window back the keyboard once a box has gone.
        subprocess.run(['xdotool', 'windowfocus', '--sync', self.wid], check=True, timeout=10)

    def close(self):
        pyatspi.Registry.deregisterEventListener(self.listener, 'object:state-changed:focused')
        # Nothing of either is kept: the working folder goes with them.
        for p in (self.proc, self.sim):
            p.kill()
            p.wait()
        self.work.cleanup()

    def find(self, name):
        """The shown control the form names name."""
        want = expect(self.form, name)
        found = locate(((o, want[0], announced(o, want[0])) for o in walk(self.window, True)
                        if role(o) == want[0]), want)
        check(found is not None, 'no %s announced as %r' % want)
        return found

    def pages(self):
        """Shows each page of every tab list in turn, the tab lists a page holds through each of
        theirs, and yields the page's path and what the window shows; each list is left on its
        first page."""
        def shown_lists():
            return [l for l in self.tab_lists if has(l, pyatspi.STATE_SHOWING)]

        def visit(lists, path):
            for tab_list in lists:
                tabs = [t for t in children(tab_list) if role(t) == 'page tab']
                for tab in tabs:
                    select_page(tab)
                    inner = [l for l in shown_lists() if l not in done]
                    done.extend(inner)
                    if inner:
                        yield from visit(inner, path + [tab.name])
                    else:
                        yield '/'.join(path + [tab.name]), list(walk(self.window, showing=True))
                select_page(tabs[0])

        done = shown_lists()
        yield from visit(list(done), [])

    def focus(self, obj):
        """Tabs to obj, as its user would: AT-SPI gives a combo box no focus."""
        current = next((o for o in walk(self.window, showing=True) if role(o) != 'page tab'
                        and has(o, pyatspi.STATE_FOCUSED)), None)
        check(current is not None, 'nothing has the focus')
        for _ in range(100):
            if current == obj:
                return
            current = self.tab(current)
        raise AssertionError('Tab never reaches %s' % describe(obj))

    def tab(self, current):
        """Presses Tab until the focus leaves current, and returns what takes it."""
        self.focused.clear()
        key('Tab')
        # The first Tab on a label with a link selects the link, with no event to tell.
        if role(current) == 'label' and not wait_for(None, lambda: self.focused, 0.2):
            key('Tab')
        wait_for('focus after Tab from %s' % describe(current), lambda: self.focused, 3)
        pump()
        return self.focused[0]


def names(tool):
    """Every showing control on every page has a label; no two buttons, check boxes, ... nor
    two spin boxes or combo boxes share one, nor is one announced only by a caption that labels
    several of them (the group title over the three interval boxes) or that several of the
    form's widgets show ("Прочитать" on three buttons)."""
    seen, everything = {}, set()
    for pages, (_, shown) in enumerate(tool.pages(), 1):
        everything.update(shown)
        kinds = ((o, role(o)) for o in shown)
        # A spin box and a combo box told by the same words are as alike as two buttons.
        seen.update((o, (k in ('spin button', 'combo box') or k, announced(o, k)))
                    for o, k in kinds if k in CONTROL_ROLES)
    uses = collections.Counter(seen.values())
    captions = collections.Counter(t.name for o in seen for t in labelling(o))
    texts = collections.Counter(prop(w, 'text') for w in tool.form.iter('widget'))
    unnamed = [describe(o) + ''.join(', beside %r' % c.name for c in children(o.parent or o)
                                     if role(c) == 'label' and c.name)
               for o, (_, label) in seen.items() if not label]
    shared = sorted({'%r names %d controls' % (label, max(n, captions[label], texts[label]))
                     for (_, label), n in uses.items()
                     if label and max(n, captions[label], texts[label]) > 1})
    print('  %d controls on %d pages, %d without a label, %d shared labels'
          % (len(seen), pages, len(unnamed), len(shared)))
    check(not unnamed, 'nothing to announce for: ' + '; '.join(unnamed))
    check(not shared, 'labels shared: ' + '; '.join(shared))
    return everything


class Rows(unittest.TestCase):
    """One window for the rows; names_en starts one of its own."""

    @classmethod
    def setUpClass(cls):
        cls.tool = Tool(OPTS)

    @classmethod
    def tearDownClass(cls):
        cls.tool.close()

    def test_names(self):
        names(self.tool)

    def test_tab_chain(self):
        """Tab visits every focusable control in the order the form declares, on every page, and
        every control the form declares is shown, as the form captions it, on some page."""
        tool = self.tool
        stops = {n.text: expect(tool.form, n.text) for n in tool.form.findall('./tabstops/tabstop')}
        check(stops, 'the form declares no tab order')
        # A control drawn in the form with nothing to be announced by is found by nothing.
        blank = [n for n, (kind, caption) in stops.items() if caption is None and kind != 'label']
        check(not blank, 'the form gives no caption, buddy or name to: ' + ', '.join(blank))
        reached = set()
        for page, shown in tool.pages():
            focusable = [(o, role(o)) for o in shown if has(o, pyatspi.STATE_FOCUSABLE)]
            readings = [(o, kind, announced(o, kind)) for o, kind in focusable]
            found = {n: locate(readings, want) for n, want in stops.items()}
            name_of = {o: n for n, o in found.items() if o is not None}
            reached.update(name_of.values())
            want = [n for n in stops if found[n] and has(found[n], pyatspi.STATE_SENSITIVE)]
            got, obj = [want[0]], found[want[0]]
            try:
                tool.focus(obj)
                while len(got) <= len(want) + 1:
                    obj = tool.tab(obj)
                    if obj == found[want[0]]:
                        break
                    got.append(name_of.get(obj) or describe(obj))
            except AssertionError as e:
                raise AssertionError('on %s, after %s: %s' % (page, ' '.join(got), e))
            check(got == want, 'on %s, Tab went\n    %s\n  the form declares\n    %s'
                  % (page, ' '.join(got), ' '.join(want)))
        missing = [n for n in stops if n not in reached]
        check(not missing, 'never found as declared (no such control, or announced otherwise): '
              + ', '.join('%s as %s %r' % ((n,) + stops[n]) for n in missing))
        print('  %d tab stops declared; Tab follows them on every page' % len(stops))

    def test_visit(self):
        """A service visit done through AT-SPI and the keyboard alone, each message box read from
        the tree; Space presses a button, Enter opens the footer's link."""
        tool = self.tool
        tool.sim.stdin.write(b'reset\n')
        check(read_line(tool.sim.stdout, 5).startswith('ok'), 'the simulator did not reset')
        find = tool.find
        select_page(find('main_tab'))

        def expect_box(button, title='Информация'):
            tool.focus(find(button))
            key('space')
            box = wait_for('message box after %s' % button, lambda: next(
                (w for w in children(tool.app) if role(w) in ('alert', 'dialog')
                 and has(w, pyatspi.STATE_SHOWING)), None))
            text = ' '.join(o.name for o in walk(box) if role(o) == 'label' and o.name)
            check(box.name == title and text, 'box %r %r, want title %r' % (box.name, text, title))
            check(box.description == text, 'box %r: its text %r, its description %r'
                  % (box.name, text, box.description))
            press(next(o for o in walk(box) if role(o) == 'push button'))
            wait_for('message box closed', lambda: box not in children(tool.app))
            tool.activate()

        # The combo box offers no selection through AT-SPI: its user moves through it by keyboard.
        port = find('cb_port')
        ports = [i.name for i in children(children(port)[0])]
        check(tool.port in ports, 'the port list offers %s, not %s' % (ports, tool.port))
        tool.focus(port)
        for k in ['Home'] + ['Down'] * ports.index(tool.port):
            key(k)
        wait_for('port %s chosen' % tool.port, lambda: port.name == tool.port)
        find('sb_address_upu').queryValue().currentValue = 1
        connect = find('btn_connect')
        press(connect)
        wait_for('"Разъединиться"', lambda: connect.name == 'Разъединиться')

        interval = [find(n).queryValue() for n in ('sb_hour', 'sb_min')]
        # Each button, then the hours and minutes set after its box: read back into a changed form,
        # the write must have stored 2 h 30 min.
        for button, values in (('btn_read_wish', (2, 30)), ('btn_write_wish', (0, 0)),
                               ('btn_read_wish', ())):
            expect_box(button)
            for box, value in zip(interval, values):
                box.currentValue = value
        got = tuple(v.currentValue for v in interval)
        check(got == (2, 30), 'read back %s h %s min' % got)

        select_page(find('adv_tab_2'))
        expect_box('btn_read_state')
        state = find('le_state').queryText().getText(0, -1)
        check(state, 'the state line is empty after reading the status')
        expect_box('btn_pump_on')
        expect_box('btn_pump_off')
        # The footer's web link: Tab onto the label after the last button, Tab onto its link, Enter.
        tool.focus(find('btn_pump_on'))
        for k in ('Tab', 'Tab', 'Return'):
            key(k)
        link = wait_for('the web link opened', lambda: os.path.exists(tool.opened)
                        and open(tool.opened).read().strip())

        press(connect)
        wait_for('"Соединиться"', lambda: connect.name == 'Соединиться')
        expect_box('btn_read_wish', 'Ошибка передачи данных')
        print('  state %r; link %s' % (state, link))

    def test_names_en(self):
        """The English window (--lang en) names its controls as well, and nothing it announces is
        in Russian but the maker's word mark."""
        english = Tool(self.tool.opts, ['--lang', 'en'])
        try:
            russian = sorted({'%s %r' % (role(o), o.name) for o in names(english)
                              if CYRILLIC.search((o.name or '').replace(WORD_MARK, ''))})
            check(not russian, 'Russian in the English window: ' + '; '.join(russian))
        finally:
            english.close()


if __name__ == '__main__':
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    for option in ('--tool', '--sim', '--form'):
        parser.add_argument(option, required=True)
    OPTS, rows = parser.parse_known_args()
    # pyatspi's deprecation warnings are no finding of ours.
    unittest.main(argv=[sys.argv[0], '-v'] + ['Rows.test_' + r for r in rows], warnings='ignore')
