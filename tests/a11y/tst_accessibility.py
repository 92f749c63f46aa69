#!/usr/bin/python3
"""The main window as a screen reader meets it: read through AT-SPI, driven by the Tab key and
by AT-SPI actions, against the module simulator.

Run by tests/a11y/run (which starts Xvfb and a session bus); run alone it needs both:
  xvfb-run -a dbus-run-session -- tests/a11y/tst_accessibility.py \\
      --tool build/app/orb-ptz-washing --sim build/sim/orb-module-sim \\
      --form forms/mainwindow.ui [ROW...]
Rows: names, tab_chain, visit (all three when none is named). Prints PASS/FAIL per row and
exits 1 when any row fails.
"""

import argparse
import os
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

# What a user reaches and operates; the list items inside a closed combo box are not shown.
CONTROL_ROLES = {'push button', 'check box', 'combo box', 'spin button', 'text', 'page tab'}

# The role a widget class of the form has in the tree.
ROLE_OF_CLASS = {
    'QPushButton': 'push button',
    'QCheckBox': 'check box',
    'QComboBox': 'combo box',
    'QSpinBox': 'spin button',
    'QLineEdit': 'text',
    'QTabWidget': 'page tab list',
    'QLabel': 'label',
}


KEYSYMS = {'Tab': 0xff09, 'Home': 0xff50, 'Down': 0xff54, 'space': 0x20, 'Return': 0xff0d}


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
    fd = stream.fileno()
    while not data.endswith(b'\n'):
        left = end - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            return ''
        chunk = os.read(fd, 1)
        if not chunk:
            break
        data += chunk
    return data.decode().strip()


def walk(obj, showing=False):
    """obj and everything under it; with showing, only what is shown, the popups of combo boxes
    (shown even while closed) left out."""
    if showing and not has(obj, pyatspi.STATE_SHOWING):
        return
    yield obj
    if showing and obj.getRoleName() == 'combo box':
        return
    for i in range(obj.childCount):
        child = obj.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, showing)


def has(obj, state):
    return obj.getState().contains(state)


def targets(obj, relation):
    found = []
    for rel in obj.getRelationSet():
        if rel.getRelationType() == relation:
            found += [rel.getTarget(i) for i in range(rel.getNTargets())]
    return found


def announced(obj):
    """The label a reader speaks with the control's role: its name, or the names of the objects
    labelling it. A combo box's name is its current item, so only its labels count."""
    name = '' if obj.getRoleName() == 'combo box' else (obj.name or '')
    if name.strip():
        return name.strip()
    labels = [t.name.strip() for t in targets(obj, pyatspi.RELATION_LABELLED_BY) if t.name]
    return ' '.join(l for l in labels if l)


def describe(obj):
    return '%s %r' % (obj.getRoleName(), announced(obj))


def neighbour_text(obj):
    """The captions beside a control, to say which one a failure is about."""
    parent = obj.parent
    if parent is None:
        return ''
    texts = [c.name for c in (parent.getChildAtIndex(i) for i in range(parent.childCount))
             if c is not None and c.getRoleName() == 'label' and c.name]
    return ', beside ' + ' / '.join(repr(t) for t in texts) if texts else ''


def press(obj, action='Press'):
    act = obj.queryAction()
    for i in range(act.nActions):
        if act.getName(i) == action:
            check(act.doAction(i), 'action %s of %s refused' % (action, describe(obj)))
            return
    raise Failure('%s has no action %s' % (describe(obj), action))


class Tool:
    """The tool's window, the simulator it talks to, and their temporary working folder."""

    def __init__(self, opts):
        self.work = tempfile.TemporaryDirectory(prefix='orb-a11y-')
        env = dict(os.environ)
        env.update(XDG_CONFIG_HOME=os.path.join(self.work.name, 'config'),
                   QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
        self.sim = subprocess.Popen([os.path.abspath(opts.sim)], cwd=self.work.name, env=env,
                                    stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
        self.port = read_line(self.sim.stdout, 10)
        if not self.port:
            raise Failure('the simulator printed no port')
        env['ORB_PTZ_WASHING_EXTRA_PORTS'] = self.port
        # Links the tool opens land in a file, through an xdg-open of our own.
        self.opened = os.path.join(self.work.name, 'opened.txt')
        bin_dir = os.path.join(self.work.name, 'bin')
        os.mkdir(bin_dir)
        with open(os.path.join(bin_dir, 'xdg-open'), 'w') as f:
            f.write('#!/bin/sh\necho "$@" >> %s\n' % self.opened)
        os.chmod(os.path.join(bin_dir, 'xdg-open'), 0o755)
        env['PATH'] = bin_dir + os.pathsep + env.get('PATH', '')
        for name in ('XDG_CURRENT_DESKTOP', 'DESKTOP_SESSION', 'BROWSER', 'DEFAULT_BROWSER'):
            env.pop(name, None)
        self.log = open(os.path.join(self.work.name, 'tool-stderr.txt'), 'w')
        self.proc = subprocess.Popen([os.path.abspath(opts.tool)], cwd=self.work.name, env=env,
                                     stdout=self.log, stderr=self.log)
        try:
            found = subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--name',
                                    '^%s$' % WINDOW_TITLE], capture_output=True, text=True,
                                   timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure('the window did not show within 30 s')
        self.wid = found.stdout.split()[0]

        global pyatspi, Atspi, GLib
        import pyatspi as _pyatspi
        from gi.repository import Atspi as _Atspi, GLib as _GLib
        pyatspi, Atspi, GLib = _pyatspi, _Atspi, _GLib

        desktop = pyatspi.Registry.getDesktop(0)

        def find_app():
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.get_process_id() == self.proc.pid:
                    return app
            return None

        self.app = wait_for('tool on the accessibility bus', find_app, 15)
        # Read every property afresh: states such as "showing" change without an event.
        Atspi.Accessible.set_cache_mask(self.app, Atspi.Cache.NONE)
        self.window = wait_for('main window in the tree', lambda: next(
            (w for w in self.windows() if w.name == WINDOW_TITLE), None))
        self.activate()
        self.all_tab_lists = [o for o in walk(self.window) if o.getRoleName() == 'page tab list']
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
        self.proc.terminate()
        self.sim.terminate()
        for p in (self.proc, self.sim):
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        self.log.close()
        self.work.cleanup()

    def windows(self):
        return [self.app.getChildAtIndex(i) for i in range(self.app.childCount)]

    def sim_command(self, text):
        self.sim.stdin.write((text + '\n').encode())
        self.sim.stdin.flush()
        answer = read_line(self.sim.stdout, 5)
        check(answer.startswith('ok'), 'simulator: %s -> %r' % (text, answer))

    def control(self, role, label):
        for obj in walk(self.window, showing=True):
            if obj.getRoleName() == role and announced(obj) == label:
                return obj
        raise Failure('no %s announced as %r' % (role, label))

    def page_tab(self, title):
        return self.control('page tab', title)

    def tab_lists(self):
        return [l for l in self.all_tab_lists if has(l, pyatspi.STATE_SHOWING)]

    @staticmethod
    def is_current(tab):
        # A tab list is named after its current page.
        return tab.parent.name == tab.name

    def select_page(self, tab):
        if self.is_current(tab):
            return
        press(tab)
        # The action lands about 100 ms later.
        wait_for('page %r' % tab.name, lambda: self.is_current(tab))

    def page_settings(self):
        """Settings of the tab widgets that together show every page at least once: for each
        setting, the tabs to select, outer first."""
        if self.settings is None:
            self.settings = self.find_page_settings()
        return self.settings

    def find_page_settings(self):
        def enclosing(tab_list):
            # The tab list of the nearest tab widget around this one's, if any.
            node = tab_list.parent.parent
            while node is not None and node != self.window:
                for i in range(node.childCount):
                    kid = node.getChildAtIndex(i)
                    if kid is not None and kid.getRoleName() == 'page tab list':
                        return kid
                node = node.parent
            return None

        def leaves(tab_list):
            paths = []
            for i in range(tab_list.childCount):
                tab = tab_list.getChildAtIndex(i)
                if tab is None or tab.getRoleName() != 'page tab':
                    continue
                self.select_page(tab)
                nested = [l for l in self.tab_lists() if enclosing(l) == tab_list]
                if nested:
                    for n in nested:
                        paths += [[tab] + p for p in leaves(n)]
                else:
                    paths.append([tab])
            self.select_page(tab_list.getChildAtIndex(0))
            return paths

        per_list = [leaves(l) for l in self.tab_lists() if enclosing(l) is None]
        count = max(len(p) for p in per_list)
        return [[tab for paths in per_list for tab in paths[k % len(paths)]]
                for k in range(count)]

    def first_pages(self):
        while True:
            moved = False
            for tab_list in self.tab_lists():
                first = tab_list.getChildAtIndex(0)
                if not self.is_current(first):
                    self.select_page(first)
                    moved = True
            if not moved:
                return

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
        current = next((o for o in walk(self.window, showing=True) if o.getRoleName() != 'page tab'
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
        if current.getRoleName() == 'label':
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
            (w for w in self.windows() if w.getRoleName() in ('alert', 'dialog')
             and has(w, pyatspi.STATE_SHOWING)), None), 5)
        labels = [o.name for o in walk(box) if o.getRoleName() == 'label' and o.name]
        got = (box.name, ' '.join(labels), box.description)
        press(next(o for o in walk(box) if o.getRoleName() == 'push button'))
        wait_for('message box closed', lambda: box not in self.windows())
        self.activate()
        return got


class Form:
    def __init__(self, path):
        self.root = ET.parse(path).getroot()
        self.parent = {c: p for p in self.root.iter() for c in p}

    def widget(self, name):
        w = self.root.find(".//widget[@name='%s']" % name)
        check(w is not None, 'the form has no widget %s' % name)
        return w

    @staticmethod
    def prop(w, name):
        node = w.find("./property[@name='%s']/*" % name)
        return node.text if node is not None else None

    def tab_stops(self):
        return [t.text for t in self.root.findall('./tabstops/tabstop')]

    def caption(self, name):
        """What the form gives the widget to be announced by: its accessible name, its own text,
        the label whose buddy it is, or the title of its group box. None when only the code
        fills it."""
        w = self.widget(name)
        for prop in ('accessibleName', 'text'):
            if self.prop(w, prop):
                return self.prop(w, prop)
        for label in self.root.iter('widget'):
            if label.get('class') == 'QLabel' and self.prop(label, 'buddy') == name:
                return self.prop(label, 'text')
        node = self.parent.get(w)
        while node is not None and node.tag != 'widget':
            node = self.parent.get(node)
        if node is not None and node.get('class') == 'QGroupBox':
            return self.prop(node, 'title')
        return None


def row_names(tool, form):
    """Every showing control on every page has a label; no two spin boxes or combo boxes
    share one, nor is one announced only by a caption that labels several of them (the group
    title over the three interval boxes)."""
    seen = {}
    pages = 0
    for setting in tool.page_settings():
        for tab in setting:
            tool.select_page(tab)
        pages += 1
        for obj in walk(tool.window, showing=True):
            if obj.getRoleName() in CONTROL_ROLES:
                seen[obj] = announced(obj)
    tool.first_pages()
    unnamed = [describe(o) + neighbour_text(o) for o, label in seen.items() if not label]
    by_label, labelling = {}, {}
    for obj, label in seen.items():
        if label and obj.getRoleName() in ('spin button', 'combo box'):
            by_label.setdefault(label, []).append(obj)
            for caption in targets(obj, pyatspi.RELATION_LABELLED_BY):
                labelling.setdefault(caption.name, []).append(obj)
    shared = ['%r: %d controls' % (label, len(objs)) for label, objs in by_label.items()
              if len(objs) > 1]
    shared += ['%r, said alone, labels %d controls' % (label, len(labelling[label]))
               for label, objs in by_label.items()
               if len(objs) == 1 and len(labelling.get(label, [])) > 1]
    print('  %d controls on %d page settings, %d without a label, %d shared labels'
          % (len(seen), pages, len(unnamed), len(shared)))
    problems = []
    if unnamed:
        problems.append('nothing to announce for: ' + '; '.join(unnamed))
    if shared:
        problems.append('labels shared by spin boxes or combo boxes: ' + '; '.join(shared))
    check(not problems, '\n  '.join(problems))


def row_tab_chain(tool, form):
    """Tab visits every focusable control in the order the form declares, on every page."""
    stops = form.tab_stops()
    check(stops, 'the form declares no tab order')
    expect = {}
    for name in stops:
        w = form.widget(name)
        if w.get('class') == 'QTabWidget':
            caption = [p.text for p in w.findall("./widget/attribute[@name='title']/string")]
        else:
            caption = form.caption(name)
        expect[name] = (ROLE_OF_CLASS.get(w.get('class')), caption)
    # A control drawn in the form with nothing to be announced by is found by nothing.
    blank = [n for n, (role, caption) in expect.items() if caption is None and role != 'label']
    check(not blank, 'the form gives no caption, buddy or name to: ' + ', '.join(blank))
    roles = {role for role, _ in expect.values()}
    reached = set()
    for setting in tool.page_settings():
        for tab in setting:
            tool.select_page(tab)
        shown, usable = {}, set()
        for obj in walk(tool.window, showing=True):
            role = obj.getRoleName()
            if role not in roles:
                continue
            states = obj.getState()
            if not states.contains(pyatspi.STATE_FOCUSABLE):
                continue
            if role == 'page tab list':
                label = [obj.getChildAtIndex(i).name for i in range(obj.childCount)]
            else:
                label = announced(obj)
            for name, (want_role, caption) in expect.items():
                if name in shown or role != want_role:
                    continue
                if caption is None or caption == (label[:len(caption)] if role == 'page tab list'
                                                  else label):
                    shown[name] = obj
                    if states.contains(pyatspi.STATE_SENSITIVE) and \
                            states.contains(pyatspi.STATE_FOCUSABLE):
                        usable.add(name)
                    break
        reached.update(shown)
        want = [n for n in stops if n in usable]
        pages = '/'.join(t.name for t in setting)
        obj = shown[want[0]]
        tool.focus(obj)
        got = [want[0]]
        for _ in range(len(want) + 2):
            try:
                obj = tool.tab(obj)
            except Failure as e:
                raise Failure('on %s, after %s: %s' % (pages, ' '.join(got), e))
            name = next((n for n, o in shown.items() if o == obj), None) or describe(obj)
            if name == want[0]:
                break
            got.append(name)
        check(got == want, 'on %s, Tab went\n    %s\n  the form declares\n    %s'
              % (pages, ' '.join(got), ' '.join(want)))
    tool.first_pages()
    missing = [n for n in stops if n not in reached]
    check(not missing, 'never found as declared (no such control, or announced otherwise): '
          + ', '.join('%s as %s %r' % (n, expect[n][0], expect[n][1]) for n in missing))
    print('  %d tab stops declared; Tab follows them on every page' % len(stops))


def row_visit(tool, form):
    """A service visit done through AT-SPI and the keyboard alone, each message box read from
    the tree; Space presses a button, Enter opens the footer's link."""
    tool.sim_command('reset')
    tool.first_pages()
    boxes = []

    def expect_box(control, title, by_key=False):
        got = tool.press_for_box(control, by_key)
        boxes.append(got)
        check(got[0] == title and got[1], 'box %r %r, want title %r' % (got[0], got[1], title))
        check(got[2] == got[1], 'box %r: its text %r, its description %r' % got)

    # The combo box offers no selection through AT-SPI: its user moves through it by keyboard.
    port = tool.control('combo box', 'COM port')
    items = next(port.getChildAtIndex(i) for i in range(port.childCount))
    names = [items.getChildAtIndex(i).name for i in range(items.childCount)]
    check(tool.port in names, 'the port list offers %s, not %s' % (names, tool.port))
    tool.focus(port)
    for key in ['Home'] + ['Down'] * names.index(tool.port):
        tool.key(key)
    wait_for('port %s chosen' % tool.port, lambda: port.name == tool.port)
    tool.control('spin button', 'Адрес модуля').queryValue().currentValue = 1

    connect = tool.control('push button', 'Соединиться')
    press(connect)
    wait_for('"Разъединиться"', lambda: connect.name == 'Разъединиться')

    hours = tool.control('spin button', 'интервал помывки, часы')
    minutes = tool.control('spin button', 'интервал помывки, минуты')
    expect_box(tool.control('push button', 'Прочитать настройки помывки'), 'Информация')
    hours.queryValue().currentValue = 2
    minutes.queryValue().currentValue = 30
    expect_box(tool.control('push button', 'Записать настройки помывки'), 'Информация')
    # Read back from the module into a changed form: the write must have stored 2 h 30 min.
    hours.queryValue().currentValue = 0
    minutes.queryValue().currentValue = 0
    expect_box(tool.control('push button', 'Прочитать настройки помывки'), 'Информация')
    check((hours.queryValue().currentValue, minutes.queryValue().currentValue) == (2, 30),
          'read back %s h %s min' % (hours.queryValue().currentValue,
                                      minutes.queryValue().currentValue))

    tool.select_page(tool.page_tab('Контроль модуля управления'))
    expect_box(tool.control('push button', 'Прочитать все настройки и статусы модуля'),
               'Информация')
    state = tool.control('text', 'Состояние').queryText()
    state_text = state.getText(0, state.characterCount)
    check(state_text, 'the state line is empty after reading the status')
    expect_box(tool.control('push button', 'Насос включить'), 'Информация')
    expect_box(tool.control('push button', 'Насос выключить'), 'Информация', by_key=True)

    # The footer's web link: Tab onto the label, Tab onto its link, Enter.
    last = tool.control('push button', 'Насос включить')
    tool.focus(last)
    footer = tool.tab(last)
    check(footer.getRoleName() == 'label', 'Tab went from %s to %s, not to the footer'
          % (describe(last), describe(footer)))
    tool.key('Tab')
    tool.key('Return')
    link = wait_for('the web link opened', lambda: os.path.exists(tool.opened)
                    and open(tool.opened).read().strip())

    press(connect)
    wait_for('"Соединиться"', lambda: connect.name == 'Соединиться')
    expect_box(tool.control('push button', 'Прочитать настройки помывки'),
               'Ошибка передачи данных')
    tool.first_pages()
    print('  state %r; link %s; boxes: %s'
          % (state_text, link, '; '.join('%s: %s' % b[:2] for b in boxes)))


ROWS = {'names': row_names, 'tab_chain': row_tab_chain, 'visit': row_visit}


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
        tool = Tool(opts)
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
