#!/usr/bin/env python3
"""Writes forms/gui.ui, the main window's designer form, from the layout tables below.

The generated file is the source of the window from then on (open it in Qt Designer); this script
only made its first version and can make it again when the tables change.
Usage: tools/forms/gen_gui_ui.py [output]   (default: forms/gui.ui beside this repository's root)
"""
import os
import sys
from collections import Counter
from xml.sax.saxutils import escape

# ---- colour schemes --------------------------------------------------------------------------
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
TITLE = dict(text=WHITE, bg=(0, 0, 255))
VALUE = dict(text=BLACK, bg=(189, 255, 180))
PANEL = dict(bg=(210, 230, 250))
LINK = dict(text=BLACK, bg=(255, 0, 0), dis=(192, 192, 0))
SPEED = dict(text=WHITE, bg=(0, 128, 128))
GREY_DISABLED = (146, 145, 144)
ROW_DISABLED = (106, 112, 124)

counts = Counter()


def color(rgb):
    r, g, b = rgb
    return (f'<color alpha="255"><red>{r}</red><green>{g}</green><blue>{b}</blue></color>')


def role(name, rgb):
    return (f'<colorrole role="{name}"><brush brushstyle="SolidPattern">{color(rgb)}</brush>'
            '</colorrole>')


def palette(text=None, bg=None, dis=GREY_DISABLED, roles=None, dis_roles=None):
    """Active and Inactive get the given text/background; Disabled keeps the background."""
    def group(g, disabled):
        out = []
        if roles:
            for n, c in roles:
                out.append(role(n, c))
            for n, c in (dis_roles if disabled else []):
                out.append(role(n, c))
        else:
            if text is not None or disabled:
                out.append(role('WindowText', dis if disabled else text))
            if bg is not None:
                out.append(role('Window', bg))
        return f'<{g}>' + ''.join(out) + f'</{g}>'
    return ('<property name="palette"><palette>' + group('active', False)
            + group('inactive', False) + group('disabled', True) + '</palette></property>')


def prop(name, inner):
    return f'<property name="{name}">{inner}</property>'


def geometry(x, y, w, h):
    return prop('geometry', f'<rect><x>{x}</x><y>{y}</y><width>{w}</width><height>{h}</height></rect>')


def font(size=None, bold=None, family=None, italic=None, kerning=None):
    parts = []
    if family:
        parts.append(f'<family>{family}</family>')
    if size is not None:
        parts.append(f'<pointsize>{size}</pointsize>')
        parts.append(f'<weight>{75 if bold else 50}</weight>')
        if italic is not None:
            parts.append(f'<italic>{"true" if italic else "false"}</italic>')
        parts.append(f'<bold>{"true" if bold else "false"}</bold>')
    if kerning is not None:
        parts.append(f'<kerning>{"true" if kerning else "false"}</kerning>')
    return prop('font', '<font>' + ''.join(parts) + '</font>')


def boolean(name, value):
    return prop(name, f'<bool>{"true" if value else "false"}</bool>')


def number(name, value):
    return prop(name, f'<number>{value}</number>')


def enum(name, value):
    return prop(name, f'<enum>{value}</enum>')


def string(name, value, notr=False):
    attr = ' notr="true"' if notr else ''
    return prop(name, f'<string{attr}>{escape(value)}</string>')


def frame(shape, shadow=None, line=None):
    out = enum('frameShape', f'QFrame::{shape}')
    if shadow:
        out += enum('frameShadow', f'QFrame::{shadow}')
    if line is not None:
        out += number('lineWidth', line)
    return out


def centred():
    return prop('alignment', '<set>Qt::AlignCenter</set>')


def icon(normal, active_on=None, w=None, h=None):
    inner = f'<normaloff>{normal}</normaloff>'
    if active_on:
        inner += f'<activeon>{active_on}</activeon>'
    out = prop('icon', f'<iconset>{inner}{normal}</iconset>')
    if w:
        out += prop('iconSize', f'<size><width>{w}</width><height>{h}</height></size>')
    return out


def size_policy(h, v):
    return prop('sizePolicy', f'<sizepolicy hsizetype="{h}" vsizetype="{v}">'
                '<horstretch>0</horstretch><verstretch>0</verstretch></sizepolicy>')


# QListView's "isWrapping" has no setter of that name: Designer writes it for setProperty().
WRAPPING_OFF = '<property name="isWrapping" stdset="0"><bool>false</bool></property>'


def no_focus():
    return enum('focusPolicy', 'Qt::NoFocus')


def widget(cls, name, props, children=''):
    counts[cls] += 1
    return f'<widget class="{cls}" name="{name}">{props}{children}</widget>'


def coloured(scheme, autofill=True, dis=None):
    s = dict(scheme)
    d = s.pop('dis', None) or dis or GREY_DISABLED
    out = palette(text=s.get('text'), bg=s.get('bg'), dis=d)
    if autofill and 'bg' in s:
        out += boolean('autoFillBackground', True)
    return out


def zorder(names):
    return ''.join(f'<zorder>{n}</zorder>' for n in names)


# ---- status header ---------------------------------------------------------------------------
MONO10 = font(10, False, 'Monospace')


def header_label(cls, name, geo, caption, fnt='', scheme=None, extra='', autofill=True):
    props = geometry(*geo) + (coloured(scheme, autofill) if scheme else '') + fnt + extra
    props += centred() + string('text', caption)
    return widget(cls, name, props)


def header_frame(name, geo, children, text=None):
    scheme = dict(PANEL)
    if text:
        scheme['text'] = text
    props = geometry(*geo) + coloured(scheme) + frame('StyledPanel', 'Raised')
    return widget('QFrame', name, props, children)


def build_header():
    link = frame('Panel', 'Plain', 2)
    kids = []
    for name, geo, cap in [('lblKVS', (10, 10, 40, 40), 'КВС'), ('lblKVK', (60, 10, 40, 40), 'КВК'),
                           ('lblCNC', (10, 55, 40, 40), 'ЧПУ'), ('lblELA', (60, 55, 40, 40), 'ЭЛА')]:
        kids.append(header_label('QLabel', name, geo, cap, font(10, True), LINK, link))

    title = lambda name, geo, cap: header_label('QLabel', name, geo, cap, MONO10, TITLE)
    plain = frame('Panel', 'Plain')
    margin0 = number('margin', 0)
    kids.append(header_frame('frVacuumMode', (110, 10, 360, 85), ''.join([
        title('lblVacuumMode', (0, 0, 360, 20), 'Режим работы вакуумной системы'),
        header_label('QLabel', 'lblVacuumState', (0, 20, 220, 65), 'Ручной', font(15, True), VALUE,
                     plain + margin0 + boolean('wordWrap', True)),
        header_label('QLabel', 'lblVacuumActive', (219, 20, 141, 31), 'Выполнен', font(12, True), VALUE,
                     plain + margin0),
        header_label('QLabel', 'lblVacuumTime', (219, 50, 141, 35), '00:00:00', font(14, True), VALUE,
                     plain + margin0),
    ])))
    kids.append(header_frame('frVacuumPressure', (480, 10, 320, 85), ''.join([
        title('lblVacuumPressure', (0, 0, 320, 20), 'Датчики вакуума'),
        title('lblVacuumChamber', (10, 30, 140, 20), 'Камера, Па'),
        title('lblVacuumGun', (170, 30, 140, 20), 'Пушка, Па'),
        header_label('PoLabel', 'VacuumChamber', (10, 50, 140, 30), '1.0E+05', font(16, True), VALUE, plain),
        header_label('PoLabel', 'VacuumGun', (170, 50, 140, 30), '1.0E+05', font(16, True), VALUE, plain),
    ])))
    kids.append(header_frame('frErrorDiagnostic', (810, 10, 300, 85),
                             title('lblErrorDiagnostic', (0, 0, 300, 20), 'Ошибки в системе')))
    user_bg = dict(bg=(220, 220, 220))
    kids.append(header_frame('frmUser', (1120, 10, 240, 85), ''.join([
        title('lblUser', (0, 0, 240, 20), 'Пользователь'),
        header_label('QLabel', 'lblUserRight', (10, 20, 220, 30), 'Администратор', font(14, False), user_bg,
                     size_policy('Minimum', 'Expanding') + boolean('wordWrap', False), autofill=False),
        header_label('QLabel', 'lblUserName', (10, 50, 220, 30), 'Администратор', font(14, False), user_bg,
                     size_policy('Expanding', 'Expanding') + boolean('wordWrap', False), autofill=False),
    ])))
    channels = [(1, 1370, 'Канал 1\n(манипулятор)', 'ручной', 'выполнение'),
                (2, 1500, 'Канал 2\n(глобус. стол)', 'ручной', 'бездействие'),
                (3, 1630, 'Канал 3 (ЭЛП)', 'автомат', 'бездействие')]
    for n, x, cap, mode, state in channels:
        kids.append(header_frame(f'frChannel{n}', (x, 10, 120, 85), ''.join([
            title(f'lblChannel{n}', (0, 0, 120, 31), cap),
            header_label('PoLabel', f'channel{n}Mode', (0, 30, 120, 28), mode, font(10, False), VALUE, plain),
            header_label('PoLabel', f'channel{n}State', (0, 57, 120, 28), state, font(10, False), VALUE, plain),
        ]), text=(192, 192, 0)))
    value2 = frame('Panel', 'Plain', 2)
    kids.append(header_label('QLabel', 'lblTime', (1760, 10, 150, 50), '', font(20, True), VALUE, value2))
    kids.append(header_label('QLabel', 'lblDate', (1760, 65, 150, 30), '15 апреля 2018г', font(12, False),
                             VALUE, value2))
    props = geometry(0, 0, 1920, 100) + frame('Panel', 'Plain') + string('styleSheet', '', notr=True)
    return widget('QFrame', 'frameHead', props, ''.join(kids))


# ---- axes panel ------------------------------------------------------------------------------
ROW_PALETTE = [('WindowText', BLACK), ('Button', (213, 225, 249)), ('Light', WHITE),
               ('Midlight', (234, 240, 252)), ('Dark', ROW_DISABLED), ('Mid', (142, 150, 166)),
               ('Text', BLACK), ('BrightText', WHITE), ('ButtonText', BLACK), ('Window', (213, 225, 249)),
               ('Shadow', BLACK), ('AlternateBase', (234, 240, 252)), ('ToolTipBase', (255, 255, 220)),
               ('ToolTipText', BLACK)]
ROW_DISABLED_TEXT = [('WindowText', ROW_DISABLED), ('Text', ROW_DISABLED), ('ButtonText', ROW_DISABLED)]

# axis: panel, row x, y, name, unit, minus icon(s), plus icon(s), coordinate caption, info x, y
ROWS = {
    'X': (0, 25, 'X', 'мм', ('arrow_left.png',), ('arrow_right.png',), '0.0', 385, 35),
    'Z': (0, 105, 'Z', 'мм', ('arrow_down.png',), ('arrow_up.png',), '0.0', 385, 115),
    'PHI': (0, 185, 'PHI', '°', ('arrow_turn_down.png',), ('arrow_turn_up.png',), '0.0', 385, 195),
    'V': (0, 25, 'V', '°', ('arrow_turn_down.png',), ('arrow_turn_up.png',), '0.0', 385, 35),
    'U': (0, 105, 'U', '°', ('arrow_turn_down.png',), ('arrow_turn_up.png',), '0.0', 385, 115),
    'U2': (420, 60, 'U2', '°', ('arrow_turn_down.png',), ('arrow_turn_up.png',), '0.0', 430, 110),
    'LX': (0, 25, 'LX', 'мм', ('arrow_backward.png', 'arrow_backward_pressed.png'),
           ('arrow_forward.png', 'arrow_forward_pressed.png'), '1002.35', 385, 35),
    'LY': (0, 105, 'LY', 'мм', ('arrow_left.png',), ('arrow_right.png',), '174.88', 385, 115),
    'A': (0, 185, 'A', '°', ('arrow_up.png',), ('arrow_down.png',), '45.00', 385, 195),
    'B': (0, 265, 'B', '°', ('arrow_up.png',), ('arrow_down.png',), '60.0', 385, 275),
    'C': (0, 345, 'C', '°', ('arrow_turn_down.png',), ('arrow_turn_up.png',), '75.0', 385, 355),
    'D': (0, 425, 'D', '°', ('arrow_turn_down.png',), ('arrow_turn_up.png',), '75.0', 385, 435),
    'LX2': (420, 50, 'LX2', 'мм', ('arrow_backward.png', 'arrow_backward_pressed.png'),
            ('arrow_forward.png', 'arrow_forward_pressed.png'), '1002.35', 430, 100),
}


def images(icons):
    return [':/images/' + i for i in icons]


def axis_row(ax):
    x, y, name, unit, minus, plus, coord, _, _ = ROWS[ax]
    row_label = lambda cls, n, geo, cap, fnt, scheme, extra='': header_label(
        cls, n, geo, cap, fnt, scheme, extra)
    raised = frame('Panel', 'Raised')
    kids = [
        widget('QLabel', f'lbl{ax}', geometry(0, 0, 40, 25) + font(16, True) + centred() + string('text', name)),
        widget('QLabel', f'lbl{ax}u', geometry(0, 20, 40, 20) + font(11, False) + centred() + string('text', unit)),
        widget('PoSprite', f'ind{ax}', geometry(8, 40, 25, 25) + string('text', '')
               + prop('pixmap', '<pixmap>:/images/indicator_gray.png</pixmap>')),
        widget('QPushButton', f'pbMinus{ax}', geometry(45, 10, 55, 55) + no_focus() + string('text', '')
               + icon(*images(minus), w=55, h=55)),
        row_label('PoLabel', f'coord{ax}', (105, 18, 120, 39), coord, font(18, True),
                  dict(TITLE, dis=ROW_DISABLED), raised),
        widget('QPushButton', f'pbPlus{ax}', geometry(230, 10, 55, 55) + no_focus()
               + string('accessibleName', 'LAxisManualMovementBtn') + string('text', '')
               + icon(*images(plus), w=55, h=55) + boolean('checkable', False)
               + number('autoRepeatDelay', 0) + number('autoRepeatInterval', 0)
               + boolean('autoDefault', False) + boolean('default', False) + boolean('flat', True)),
        row_label('PoLabel', f'speed{ax}', (295, 10 if ax == 'V' else 20, 80, 35), '1000', font(16, True),
                  dict(SPEED, dis=ROW_DISABLED), raised),
    ]
    if ax == 'V':
        kids.append(widget('QPushButton', 'pbEndlessV', geometry(295, 47, 80, 25) + font(family='Cantarell')
                           + boolean('autoFillBackground', False) + string('text', '')
                           + icon(':/images/infinite.png', w=32, h=32) + boolean('checkable', True)
                           + boolean('autoDefault', False) + boolean('default', False)
                           + boolean('flat', False)))
    props = (geometry(x, y, 450, 75) + boolean('enabled', True)
             + palette(roles=ROW_PALETTE, dis_roles=ROW_DISABLED_TEXT)
             + boolean('autoFillBackground', True) + frame('Box'))
    return widget('QFrame', f'frm{ax}', props, ''.join(kids))


def info_button(ax):
    ix, iy = ROWS[ax][7], ROWS[ax][8]
    return widget('QPushButton', f'pbInfo{ax}', geometry(ix, iy, 55, 55) + no_focus() + string('text', '')
                  + icon(':/images/info.png', w=55, h=55))


def axis_panel(name, geo, frm, title_name, title_text, title_font, axes, extra='', raised=()):
    kids = [widget('QLabel', title_name, geometry(0, 0, 450, 25) + coloured(TITLE) + title_font + centred()
                   + string('text', title_text))]
    for ax in axes:
        kids.append(axis_row(ax))
        kids.append(info_button(ax))
    return widget('QFrame', name, geometry(*geo) + extra + frm, ''.join(kids) + zorder(raised))


def build_drives():
    cantarell16 = font(16, True, 'Cantarell')
    kids = [
        widget('StateButton', 'sbDrives', geometry(10, 5, 140, 70) + cantarell16 + no_focus()
               + string('text', 'Приводы')),
        widget('QPushButton', 'pbStop', geometry(320, 5, 140, 70) + cantarell16 + no_focus()
               + string('text', 'СТОП')),
        axis_panel('frmVirtual', (460, 450, 450, 260), frame('Panel', 'Plain'), 'lblVirtual', 'Виртуальные оси',
                   font(13, True), ['Z', 'PHI', 'X'],
                   extra=palette(bg=(214, 210, 208)) + boolean('autoFillBackground', False)),
        axis_panel('frameGlDesk', (10, 610, 450, 180), frame('Panel', 'Plain', 1), 'lblGlDesk', 'Глобусный стол',
                   font(12, True, italic=False), ['U', 'V', 'U2'], raised=('frmU2', 'pbInfoU2')),
        axis_panel('frameManip', (10, 80, 450, 500), frame('Panel', 'Plain'), 'lblManip', 'Манипулятор ЭЛП',
                   font(12, True, italic=False), ['A', 'LX', 'LY', 'C', 'B', 'D', 'LX2'],
                   raised=('frmLX2', 'pbInfoLX2')),
        widget('StateButton', 'sbTrans', geometry(165, 5, 140, 70) + font(11, True, 'Cantarell') + no_focus()
               + string('text', 'Виртуальные\nоси')),
        zorder(['sbDrives', 'pbStop', 'frameGlDesk', 'frameManip', 'sbTrans', 'frmVirtual']),
    ]
    return widget('QFrame', 'frmDrives', geometry(1450, 100, 470, 810) + frame('NoFrame', 'Raised'), ''.join(kids))


# ---- footer ----------------------------------------------------------------------------------
def build_footer():
    wheels = []
    for n, x, cap in [(1, 10, 'Левый'), (2, 190, 'Правый'), (3, 370, 'Выносной')]:
        kids = ''.join([
            widget('QLabel', f'lblLir{n}Title', geometry(0, 0, 170, 30) + coloured(TITLE) + font(15, True)
                   + centred() + string('text', cap)),
            widget('PoLabel', f'lblLir{n}', geometry(40, 35, 90, 80) + boolean('enabled', True)
                   + string('text', '') + prop('pixmap', '<pixmap>:/images/lir.png</pixmap>') + centred()),
            widget('QLabel', f'lblLir{n}Use', geometry(20, 130, 130, 40) + font(14, False) + centred()
                   + string('text', 'Отключен')),
        ])
        wheels.append(widget('QFrame', f'frmLir{n}', geometry(x, 10, 170, 180) + coloured(PANEL)
                             + frame('StyledPanel', 'Raised'), kids))
    frame2 = widget('QFrame', 'frame_2', geometry(0, 0, 560, 200) + frame('Panel', 'Plain'), ''.join(wheels))
    log = widget('QListWidget', 'lwLog', geometry(560, 0, 800, 195) + font(11, False) + no_focus()
                 + frame('Panel', 'Plain') + WRAPPING_OFF + boolean('uniformItemSizes', True)
                 + boolean('wordWrap', True))

    def layout_item(cls, name, props):
        return '<item>' + widget(cls, name, props) + '</item>'

    def hbox(name):
        counts['QHBoxLayout'] += 1
        return (f'<layout class="QHBoxLayout" name="{name}">' + number('spacing', 4)
                + ''.join(number(m, 4) for m in ('leftMargin', 'topMargin', 'rightMargin', 'bottomMargin')))

    small = size_policy('Minimum', 'Minimum')
    bold10 = font(10, True)
    row1 = [
        ('StateButton', 'sbLightSpiral', bold10 + string('toolTip', '') + boolean('checkable', False), 'spiral.png'),
        ('StateButton', 'sbDistPult', '', 'remote-control.png'),
        ('QPushButton', 'pbCalc', '', 'calculator.png'),
        ('QPushButton', 'pbPoint', bold10, '1point.png'),
        ('QPushButton', 'pbUsers', bold10, '1users.png'),
        ('QPushButton', 'pbConstants', bold10, '1settings.png'),
        ('QPushButton', 'pbInformation', bold10, '1info.png'),
    ]
    items1 = ''.join(layout_item(cls, name, small + extra + string('text', '') + icon(':/images/' + img, w=48, h=48))
                     for cls, name, extra, img in row1)
    lw1 = widget('QWidget', 'layoutWidget', geometry(10, 10, 540, 80), hbox('horizontalLayout') + items1 + '</layout>')
    big = size_policy('Minimum', 'Expanding') + font(11, True, 'Cantarell')
    size48 = prop('iconSize', '<size><width>48</width><height>48</height></size>')
    row2 = [('QPushButton', 'pbChangeUser', 'Смена\nпользователя'),
            ('QPushButton', 'pbCloseProgram', 'Выход из\nпрограммы'),
            ('StateButton', 'sbShutdown', 'Выключение\nустановки')]
    items2 = ''.join(layout_item(cls, name, big + string('text', cap) + size48) for cls, name, cap in row2)
    lw2 = widget('QWidget', 'layoutWidget1', geometry(10, 110, 541, 81),
                 hbox('horizontalLayout_2') + items2 + '</layout>')
    buttons = widget('QFrame', 'frameButtons', geometry(1360, 0, 560, 200) + frame('Panel', 'Plain'), lw1 + lw2)
    props = geometry(0, 1000, 1920, 200) + frame('Panel', 'Plain') + string('styleSheet', '', notr=True)
    return widget('QFrame', 'frameFoot', props, frame2 + log + buttons)


# ---- the window ------------------------------------------------------------------------------
def build():
    regime = ('Режим пульта F1:\n\n Положение X - ось X     Положение 4 - ось B\n'
              ' Положение Y - ось Y     Положение 5 - ось C\n Положение Z - ось A')
    counts['QAction'] += 1
    body = ''.join([
        '<action name="actExit">' + string('text', 'Выход') + string('shortcut', 'Ctrl+Q') + '</action>',
        build_footer(),
        build_header(),
        widget('QLabel', 'lblContour', geometry(900, 100, 550, 30) + coloured(TITLE) + font(12, True)
               + prop('cursor', '<cursorShape>ArrowCursor</cursorShape>') + centred()
               + string('text', 'Программа сварки')),
        widget('CONTOUR', 'contour', geometry(900, 130, 550, 870)),
        build_drives(),
        widget('QLabel', 'pultRegime', geometry(1460, 900, 450, 90) + font(11, False, 'Liberation Mono', kerning=True)
               + frame('Panel', 'Plain', 2) + string('text', regime)),
        widget('KVS', 'kvs', geometry(0, 100, 900, 900)),
        zorder(['frameFoot', 'frameHead', 'lblContour', 'frmDrives', 'contour', 'pultRegime', 'kvs']),
    ])
    window = ('<widget class="QWidget" name="Gui">' + geometry(0, 0, 1920, 1200)
              + palette(bg=(255, 255, 192)) + boolean('autoFillBackground', True)
              + string('windowTitle', 'Form') + string('styleSheet', '', notr=True) + body + '</widget>')
    custom = [('PoLabel', 'QLabel', 'widgets.h'), ('PoSprite', 'QLabel', 'widgets.h'),
              ('StateButton', 'QPushButton', 'statebutton.h'), ('CONTOUR', 'QTabWidget', 'contour.h'),
              ('KVS', 'QWidget', 'kvs.h')]
    customs = ''.join(f'<customwidget><class>{c}</class><extends>{e}</extends><header>{h}</header>'
                      + ('<container>1</container>' if e == 'QWidget' else '') + '</customwidget>'
                      for c, e, h in custom)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0"><class>Gui</class>' + window
            + '<customwidgets>' + customs + '</customwidgets><resources/><connections/></ui>\n')


EXPECTED = {'QLabel': 57, 'QPushButton': 48, 'PoLabel': 37, 'QFrame': 31, 'PoSprite': 13, 'StateButton': 5,
            'QWidget': 2, 'QHBoxLayout': 2, 'QListWidget': 1, 'QAction': 1, 'KVS': 1, 'CONTOUR': 1}


def write_form(text, name):
    """Writes a form's text to the path the command line gives, else to forms/<name> beside this
    repository's root, indented like Designer does."""
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'forms', name)
    # ElementTree keeps mixed content (an icon set's fallback path).
    import xml.etree.ElementTree as ET
    tree = ET.fromstring(text.split('\n', 1)[1])
    ET.indent(tree, space=' ')
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', ET.tostring(tree, encoding='unicode')]
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines) + '\n')


def main():
    text = build()
    if dict(counts) != EXPECTED:
        sys.exit(f'object count differs: {dict(counts)}')
    write_form(text, 'gui.ui')


if __name__ == '__main__':
    main()
