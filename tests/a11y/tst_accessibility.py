#!/usr/bin/python3
"""The main window as a screen reader meets it: read through AT-SPI, driven by the Tab key and
by AT-SPI actions, against the module simulator; what to find is taken from the window's form.

Run by tests/a11y/run (which starts Xvfb and a session bus); run alone it needs both:
  xvfb-run -a dbus-run-session -- tests/a11y/tst_accessibility.py \\
      --tool build/app/orb-ptz-washing --sim build/sim/orb-module-sim \\
      --form forms/mainwindow.ui [ROW...]
Rows: names, tab_chain, visit, names_en (all when none is named). Prints PASS/FAIL per row and
exits 1 when any row fails.
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

ROLE_NAMES = {}


class Failure(Exception):
    pass


def check(cond, text):
    if not cond:
        raise Failure(text)


def pump():
    """Runs the GLib main context: without it the client sees no events and a stale tree."""
    ctx = GLib.MainContext.default()
    while ctx.iteration(False):
        pass


def wait_for(what, cond, timeout=5.0):
    end = time.monotonic() + timeout
    while True:
        pump()
        value = cond()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure('no %s within %.1f s' % (what, timeout))
        time.sleep(0.01)


def read_line(stream, timeout):
    """One line from a child's pipe, or '' when none comes in time."""
    end = time.monotonic() + timeout
    data = b''
    while not data.endswith(b'\n'):
        left = end - time.monotonic()
        if left <= 0 or not select.select([stream], [], [], left)[0]:
            return ''
        chunk = os.read(stream.fileno(), 1)
        if not chunk:
            break
        data += chunk
    return data.decode().strip()


def role(obj):
    """The role by its number, named as at-spi2-core 2.46 names it: from 2.52 on a push button's
    role name is "button", and a reader goes by the number."""
    if not ROLE_NAMES:
        for name in CONTROL_ROLES | set(ROLE_OF_CLASS.values()) | {'alert', 'dialog'}:
            ROLE_NAMES[int(getattr(pyatspi, 'ROLE_' + name.upper().replace(' ', '_')))] = name
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


def targets(obj, relation):
    return [rel.getTarget(i) for rel in obj.getRelationSet()
            if rel.getRelationType() == relation for i in range(rel.getNTargets())]


def announced(obj, kind=None):
    """The label a reader speaks with the control's role (kind, when already read): its name, or
    the names of the objects labelling it. A combo box's name is its current item, so only its
    labels count; a tab list is told by its tabs."""
    kind = kind or role(obj)
    if kind == 'page tab list':
        return [t.name for t in children(obj)]
    name = '' if kind == 'combo box' else (obj.name or '').strip()
    return name or ' '.join(t.name.strip() for t in targets(obj, pyatspi.RELATION_LABELLED_BY)
                            if t.name and t.name.strip())


def matches(kind, got, want):
    """Whether a control of role kind announced as got is want, a (role, caption) the form gives;
    a tab list may hold pages the code adds after the form's; a caption of None fits any."""
    if isinstance(got, list) and want[1] is not None:
        got = got[:len(want[1])]
    return kind == want[0] and want[1] in (None, got)


def describe(obj):
    return '%s %r' % (role(obj), announced(obj))


def press(obj, action='Press'):
    act = obj.queryAction()
    names = [act.getName(i) for i in range(act.nActions)]
    check(action in names, '%s has no action %s' % (describe(obj), action))
    check(act.doAction(names.index(action)), 'action %s of %s refused' % (action, describe(obj)))


class Form:
    def __init__(self, path):
        self.root = ET.parse(path).getroot()
        self.parent = {c: p for p in self.root.iter() for c in p}
        self.tab_stops = [t.text for t in self.root.findall('./tabstops/tabstop')]

    @staticmethod
    def prop(w, name, kind='property'):
        node = w.find("./%s[@name='%s']/*" % (kind, name))
        return node.text if node is not None else None

    def expect(self, name):
        """(role, caption) of the form's widget name as a reader finds it: its accessible name,
        its own text, the label whose buddy it is or the title of its group box; a page's title,
        a tab widget's page titles. The caption is None when only the code fills it."""
        w = self.root.find(".//widget[@name='%s']" % name)
        check(w is not None, 'the form has no widget %s' % name)
        up = self.parent[w]
        if up.get('class') == 'QTabWidget':
            return 'page tab', self.prop(w, 'title', 'attribute')
        role = ROLE_OF_CLASS.get(w.get('class'))
        if role == 'page tab list':
            return role, [self.prop(p, 'title', 'attribute') for p in w.findall('./widget')]
        caption = self.prop(w, 'accessibleName') or self.prop(w, 'text') or next(
            (self.prop(l, 'text') for l in self.root.iter('widget')
             if l.get('class') == 'QLabel' and self.prop(l, 'buddy') == name), None)
        while caption is None and up.tag != 'widget':
            up = self.parent[up]
        if caption is None and up.get('class') == 'QGroupBox':
            caption = self.prop(up, 'title')
        return role, caption


class Tool:
    """The tool's window, the simulator it talks to, and their temporary working folder."""

    def __init__(self, opts, form, args=()):
        self.opts, self.form = opts, form
        self.work = tempfile.TemporaryDirectory(prefix='orb-a11y-')
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.work.name, 'config'),
                   QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
        self.sim = subprocess.Popen([os.path.abspath(opts.sim)], cwd=self.work.name, env=env,
                                    stdin=subprocess.PIPE, stdout=subprocess.PIPE,
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
        self.log = open(os.path.join(self.work.name, 'tool-stderr.txt'), 'w')
        self.proc = subprocess.Popen([os.path.abspath(opts.tool), *args], cwd=self.work.name, env=env,
                                     stdout=self.log, stderr=self.log)
        try:
            found = subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--pid',
                                    str(self.proc.pid), '--name',
                                    '^%s$' % WINDOW_TITLE], capture_output=True, text=True,
                                   timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure('the window did not show within 30 s')
        self.wid = found.stdout.split()[0]

        global pyatspi, Atspi, GLib
        import pyatspi
        from gi.repository import Atspi, GLib
        desktop = pyatspi.Registry.getDesktop(0)
        self.app = wait_for('tool on the accessibility bus', lambda: next(
            (a for a in children(desktop) if a.get_process_id() == self.proc.pid), None), 15)
        # Read every property afresh: states such as "showing" change without an event.
        Atspi.Accessible.set_cache_mask(self.app, Atspi.Cache.NONE)
        self.window = wait_for('main window in the tree', lambda: next(
            (w for w in children(self.app) if w.name == WINDOW_TITLE), None))
        self.activate()
        self.all_tab_lists = [o for o in walk(self.window) if role(o) == 'page tab list']
        self.settings = None
        self.focused = []
        self.listener = lambda ev: ev.detail1 and self.focused.append(ev.source)
        pyatspi.Registry.registerEventListener(self.listener, 'object:state-changed:focused')

    def activate(self):
        # No window manager gives the window back the keyboard once a box has gone.
        subprocess.run(['xdotool', 'windowfocus', '--sync', self.wid], check=True, timeout=10)

    def close(self):
        if pyatspi is not None:
            pyatspi.Registry.deregisterEventListener(self.listener, 'object:state-changed:focused')
        for p in (self.proc, self.sim):
            p.terminate()
        for p in (self.proc, self.sim):
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        self.log.close()
        self.work.cleanup()

    def sim_command(self, text):
        self.sim.stdin.write((text + '\n').encode())
        self.sim.stdin.flush()
        answer = read_line(self.sim.stdout, 5)
        check(answer.startswith('ok'), 'simulator: %s -> %r' % (text, answer))

    def find(self, name):
        """The shown control the form names name."""
        want = self.form.expect(name)
        found = next((o for o in walk(self.window, showing=True)
                      if role(o) == want[0] and matches(want[0], announced(o, want[0]), want)),
                     None)
        check(found is not None, 'no %s announced as %r' % want)
        return found

    def tab_lists(self):
        return [l for l in self.all_tab_lists if has(l, pyatspi.STATE_SHOWING)]

    @staticmethod
    def is_current(tab):
        # A tab list is named after its current page.
        return tab.parent.name == tab.name

    def select_page(self, tab):
        if not self.is_current(tab):
            press(tab)
            # The action lands about 100 ms later.
            wait_for('page %r' % tab.name, lambda: self.is_current(tab))

    def pages(self):
        """Shows in turn each setting of the tab widgets that together show every page at least
        once, and yields its name and what it shows; the first pages are shown again after."""
        if self.settings is None:
            self.settings = self.find_page_settings()
        for setting in self.settings:
            for tab in setting:
                self.select_page(tab)
            yield '/'.join(t.name for t in setting), list(walk(self.window, showing=True))
        self.first_pages()

    def find_page_settings(self):
        """For each setting, the tabs to select, outer first."""
        def enclosing(tab_list):
            # The tab list of the nearest tab widget around this one's, if any.
            node = tab_list.parent.parent
            while node is not None and node != self.window:
                kid = next((k for k in children(node) if role(k) == 'page tab list'), None)
                if kid is not None:
                    return kid
                node = node.parent
            return None

        def leaves(tab_list):
            paths = []
            for tab in (t for t in children(tab_list) if role(t) == 'page tab'):
                self.select_page(tab)
                nested = [l for l in self.tab_lists() if enclosing(l) == tab_list]
                paths += [[tab] + p for n in nested for p in leaves(n)] or [[tab]]
            self.select_page(tab_list.getChildAtIndex(0))
            return paths

        per_list = [leaves(l) for l in self.tab_lists() if enclosing(l) is None]
        return [[tab for paths in per_list for tab in paths[k % len(paths)]]
                for k in range(max(len(p) for p in per_list))]

    def first_pages(self):
        while any(not self.is_current(l.getChildAtIndex(0)) for l in self.tab_lists()):
            for tab_list in self.tab_lists():
                self.select_page(tab_list.getChildAtIndex(0))

    def focus(self, obj):
        if has(obj, pyatspi.STATE_FOCUSED):
            return
        act = obj.queryAction()
        if 'SetFocus' in [act.getName(i) for i in range(act.nActions)]:
            self.focused.clear()
            obj.queryComponent().grabFocus()
            wait_for('focus on %s' % describe(obj), lambda: obj in self.focused)
            return
        # A combo box takes no focus through AT-SPI: Tab to it, as its user would.
        current = next((o for o in walk(self.window, showing=True) if role(o) != 'page tab'
                        and has(o, pyatspi.STATE_FOCUSED)), None)
        check(current is not None, 'nothing has the focus')
        for _ in range(100):
            current = self.tab(current)
            if current == obj:
                return
        raise Failure('Tab never reaches %s' % describe(obj))

    @staticmethod
    def key(name):
        # Through the registry's XTEST, as xdotool would, without a process per key.
        Atspi.generate_keyboard_event(KEYSYMS[name], None, Atspi.KeySynthType.SYM)

    def tab(self, current):
        """Presses Tab until the focus leaves current, and returns what takes it."""
        self.focused.clear()
        self.key('Tab')
        if role(current) == 'label':
            # The first Tab on a label with a link selects the link, with no event to tell.
            try:
                wait_for('', lambda: self.focused, 0.2)
            except Failure:
                self.key('Tab')
        wait_for('focus after Tab from %s' % describe(current), lambda: self.focused, 3)
        pump()
        return self.focused[0]

    def press_for_box(self, control, by_key=False):
        """Presses control (its action, or Space with the focus on it), reads the message box it
        brings up and closes it with OK: (title, text as the box's labels say it, the box's
        description)."""
        if by_key:
            self.focus(control)
            self.key('space')
        else:
            press(control)
        box = wait_for('message box after %s' % describe(control), lambda: next(
            (w for w in children(self.app) if role(w) in ('alert', 'dialog')
             and has(w, pyatspi.STATE_SHOWING)), None), 5)
        got = (box.name, ' '.join(o.name for o in walk(box) if role(o) == 'label' and o.name),
               box.description)
        press(next(o for o in walk(box) if role(o) == 'push button'))
        wait_for('message box closed', lambda: box not in children(self.app))
        self.activate()
        return got


def row_names(tool, form):
    """Every showing control on every page has a label; no two buttons, check boxes, ... nor
    two spin boxes or combo boxes share one, nor is one announced only by a caption that labels
    several of them (the group title over the three interval boxes) or that several of the
    form's widgets show ("Прочитать" on three buttons)."""
    seen, pages = {}, 0
    for _, shown in tool.pages():
        pages += 1
        seen.update((o, announced(o)) for o in shown if role(o) in CONTROL_ROLES)
    unnamed = []
    for obj in (o for o, label in seen.items() if not label):
        captions = [c.name for c in children(obj.parent or obj) if role(c) == 'label' and c.name]
        unnamed.append(describe(obj) + ''.join(', beside %r' % c for c in captions))
    by_label, labelling = {}, {}
    texts = collections.Counter(form.prop(w, 'text') for w in form.root.iter('widget'))
    for obj, label in ((o, l) for o, l in seen.items() if l):
        kind = role(obj)
        by_label.setdefault((kind in ('spin button', 'combo box') or kind, label), []).append(obj)
        for caption in targets(obj, pyatspi.RELATION_LABELLED_BY):
            labelling.setdefault(caption.name, []).append(obj)
    alone = {label: max(len(labelling.get(label, [])), texts[label]) for _, label in by_label}
    shared = ['%r: %d controls' % (label, len(objs)) if len(objs) > 1 else
              '%r, said alone, names %d controls' % (label, alone[label])
              for (_, label), objs in by_label.items() if len(objs) > 1 or alone[label] > 1]
    print('  %d controls on %d page settings, %d without a label, %d shared labels'
          % (len(seen), pages, len(unnamed), len(shared)))
    problems = (['nothing to announce for: ' + '; '.join(unnamed)] if unnamed else []) + (
        ['labels shared: ' + '; '.join(shared)] if shared else [])
    check(not problems, '\n  '.join(problems))


def row_tab_chain(tool, form):
    """Tab visits every focusable control in the order the form declares, on every page, and
    every control the form declares is shown, as the form captions it, on some page."""
    stops = form.tab_stops
    check(stops, 'the form declares no tab order')
    expect = {name: form.expect(name) for name in stops}
    # A control drawn in the form with nothing to be announced by is found by nothing.
    blank = [n for n, (r, caption) in expect.items() if caption is None and r != 'label']
    check(not blank, 'the form gives no caption, buddy or name to: ' + ', '.join(blank))
    reached = set()
    for pages, shown in tool.pages():
        focusable = [(o, role(o)) for o in shown if has(o, pyatspi.STATE_FOCUSABLE)]
        focusable = [(o, kind, announced(o, kind)) for o, kind in focusable]
        found = {n: next((o for o, kind, got in focusable if matches(kind, got, want)), None)
                 for n, want in expect.items()}
        found = {n: o for n, o in found.items() if o is not None}
        reached.update(found)
        want = [n for n in stops if n in found and has(found[n], pyatspi.STATE_SENSITIVE)]
        obj = found[want[0]]
        tool.focus(obj)
        got = [want[0]]
        for _ in range(len(want) + 2):
            try:
                obj = tool.tab(obj)
            except Failure as e:
                raise Failure('on %s, after %s: %s' % (pages, ' '.join(got), e))
            name = next((n for n, o in found.items() if o == obj), None) or describe(obj)
            if name == want[0]:
                break
            got.append(name)
        check(got == want, 'on %s, Tab went\n    %s\n  the form declares\n    %s'
              % (pages, ' '.join(got), ' '.join(want)))
    missing = [n for n in stops if n not in reached]
    check(not missing, 'never found as declared (no such control, or announced otherwise): '
          + ', '.join('%s as %s %r' % ((n,) + expect[n]) for n in missing))
    print('  %d tab stops declared; Tab follows them on every page' % len(stops))


def row_visit(tool, form):
    """A service visit done through AT-SPI and the keyboard alone, each message box read from
    the tree; Space presses a button, Enter opens the footer's link."""
    tool.sim_command('reset')
    tool.first_pages()
    boxes = []
    find = tool.find

    def expect_box(button, title='Информация', by_key=False):
        got = tool.press_for_box(find(button), by_key)
        boxes.append(got)
        check(got[0] == title and got[1], 'box %r %r, want title %r' % (got[0], got[1], title))
        check(got[2] == got[1], 'box %r: its text %r, its description %r' % got)

    # The combo box offers no selection through AT-SPI: its user moves through it by keyboard.
    port = find('cb_port')
    names = [i.name for i in children(children(port)[0])]
    check(tool.port in names, 'the port list offers %s, not %s' % (names, tool.port))
    tool.focus(port)
    for key in ['Home'] + ['Down'] * names.index(tool.port):
        tool.key(key)
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

    tool.select_page(find('adv_tab_2'))
    expect_box('btn_read_state')
    state = find('le_state').queryText()
    state_text = state.getText(0, state.characterCount)
    check(state_text, 'the state line is empty after reading the status')
    expect_box('btn_pump_on')
    expect_box('btn_pump_off', by_key=True)

    # The footer's web link: Tab onto the label, Tab onto its link, Enter.
    last = find('btn_pump_on')
    tool.focus(last)
    footer = tool.tab(last)
    check(role(footer) == 'label', 'Tab went from %s to %s, not to the footer'
          % (describe(last), describe(footer)))
    tool.key('Tab')
    tool.key('Return')
    link = wait_for('the web link opened', lambda: os.path.exists(tool.opened)
                    and open(tool.opened).read().strip())

    press(connect)
    wait_for('"Соединиться"', lambda: connect.name == 'Соединиться')
    expect_box('btn_read_wish', 'Ошибка передачи данных')
    tool.first_pages()
    print('  state %r; link %s; boxes: %s'
          % (state_text, link, '; '.join('%s: %s' % b[:2] for b in boxes)))


def row_names_en(tool, form):
    """The English window (--lang en) names its controls as well, and nothing it announces is
    in Russian but the maker's word mark."""
    english = Tool(tool.opts, form, ['--lang', 'en'])
    try:
        row_names(english, form)
        russian = sorted({'%s %r' % (role(o), o.name) for _, shown in english.pages()
                          for o in shown if CYRILLIC.search((o.name or '').replace(WORD_MARK, ''))})
        check(not russian, 'Russian in the English window: ' + '; '.join(russian))
    finally:
        english.close()


ROWS = {'names': row_names, 'tab_chain': row_tab_chain, 'visit': row_visit,
        'names_en': row_names_en}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--tool', required=True)
    parser.add_argument('--sim', required=True)
    parser.add_argument('--form', required=True)
    parser.add_argument('rows', nargs='*', metavar='ROW', help=', '.join(ROWS))
    opts = parser.parse_args()
    unknown = [r for r in opts.rows if r not in ROWS]
    if unknown:
        parser.error('no row %s; rows: %s' % (', '.join(unknown), ', '.join(ROWS)))
    form = Form(opts.form)
    started = time.monotonic()
    failed = 0
    try:
        tool = Tool(opts, form)
    except Failure as e:
        print('FAIL: start: %s' % e)
        return 1
    try:
        for name in opts.rows or list(ROWS):
            start = time.monotonic()
            try:
                ROWS[name](tool, form)
                print('PASS: %s (%.1f s)' % (name, time.monotonic() - start))
            except Failure as e:
                failed += 1
                print('FAIL: %s (%.1f s): %s' % (name, time.monotonic() - start, e))
            sys.stdout.flush()
    finally:
        tool.close()
    print('%d rows, %d failed, %.1f s' % (len(opts.rows or ROWS), failed,
                                         time.monotonic() - started))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
