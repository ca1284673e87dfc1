#!/usr/bin/env python3
"""Writes forms/kvs.ui, the vacuum screen's designer form (the mimic of the vacuum plant), from
the tables below.

The generated file is the source of the screen from then on (open it in Qt Designer); this script
made its first version and can make it again when the tables change.
Usage: tools/forms/gen_kvs_ui.py [output]   (default: forms/kvs.ui beside this repository's root)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_gui_ui import (boolean, centred, coloured, counts, font, frame, geometry, number,  # noqa: E402
                        palette, prop, size_policy, string, widget, write_form, zorder)


def pixmap(name):
    return prop('pixmap', f'<pixmap>:/images/{name}</pixmap>')


# ---- text styles: class, font, text colour, background (None: not filled) -------------------
STYLES = {
    'pump': ('QLabel', font(12, True), (0, 64, 64), None),
    'pump_light': ('PoLabel', font(12, True), (220, 220, 220), None),
    'valve': ('QLabel', font(12, True), (64, 64, 0), None),
    'gauge': ('QLabel', font(12, True), (0, 0, 128), None),
    'unit_t': ('QLabel', font(13, True), (128, 0, 128), None),
    'unit_w': ('QLabel', font(11, True), (128, 0, 128), None),
    'pressure': ('PoLabel', font(11, True), (255, 255, 255), (0, 128, 255)),
    'pressure_unit': ('PoLabel', font(10, True), (255, 255, 255), (0, 128, 255)),
    'temperature': ('PoLabel', font(11, True), (0, 0, 0), (255, 255, 0)),
    'temperature_unit': ('PoLabel', font(10, True), (0, 0, 0), (255, 255, 0)),
    'frequency': ('PoLabel', font(11, True), (255, 255, 255), (192, 86, 0)),
}


def caption(name, geo, text, style):
    cls, fnt, fg, bg = STYLES[style]
    props = geometry(*geo)
    if bg is None:
        props += palette(text=fg)
    else:
        props += coloured(dict(text=fg, bg=bg)) + frame('Panel', 'Sunken')
    return widget(cls, name, props + fnt + centred() + string('text', text))


def line(name, geo, vertical):
    props = (geometry(*geo) + string('styleSheet', 'color: rgb(0, 0, 0);')
             + frame('VLine' if vertical else 'HLine', 'Plain'))
    return widget('QFrame', name, props)


def sprite(name, geo, image, scaled=False):
    props = geometry(*geo) + string('text', '') + pixmap(image)
    if scaled:
        props += boolean('scaledContents', True)
    return widget('PoSprite', name, props)


# ---- the tables: (object, parent, x, y, w, h, image or text, style) -------------------------
K, C = 'KVS', 'frmChamber'

PUMPS = [
    ('NL1', K, 410, 807, 101, 72, 'NL_0.png', ''),
    ('lblNL1', K, 385, 812, 50, 20, 'NL1', 'pump'),
    ('NL2', K, 147, 815, 120, 72, 'NL_0.png', ''),
    ('lblNL2', K, 122, 820, 50, 20, 'NL2', 'pump'),
    ('NZ1', K, 412, 740, 108, 61, 'NZ_0.png', ''),
    ('lblNZ1', K, 385, 737, 50, 20, 'NZ1', 'pump'),
    ('NZ2', K, 149, 671, 108, 61, 'NZ_0.png', ''),
    ('lblNZ2', K, 103, 700, 50, 20, 'NZ2', 'pump'),
    ('ND1', K, 520, 446, 71, 120, 'ND_0.png', ''),
    ('lblND1', K, 525, 490, 60, 20, 'ND1', 'pump_light'),
    ('NW1', K, 770, 600, 80, 110, 'NW_0.png', ''),
    ('lblNW1', K, 770, 580, 80, 20, 'NW1', 'pump'),
    ('NW2', C, 250, 170, 60, 40, 'NL_0.png', 'scaled'),
    ('lblNW2', C, 250, 210, 60, 20, 'NW2', 'pump'),
    ('NP1', K, 766, 770, 80, 110, 'NP_0.png', ''),
    ('lblNP1', K, 720, 730, 171, 40, 'NP1\n(Компрессор КВ7)', 'pump'),
    ('TMN', C, 185, 79, 109, 45, 'TMN_0.png', ''),
]

VALVES = [
    ('VP1', K, 510, 385, 86, 97, 'VT_0.png', ''),
    ('lblVP1', K, 520, 370, 70, 20, 'VP1', 'valve'),
    ('VP2', K, 452, 642, 41, 37, 'vv_0.png', ''),
    ('lblVP2', K, 479, 627, 50, 20, 'VP2', 'valve'),
    ('VP3', K, 189, 381, 41, 37, 'vv_0.png', ''),
    ('lblVP3', K, 152, 363, 50, 20, 'VP3', 'valve'),
    ('VP4', K, 837, 290, 41, 41, 'vv_0.png', ''),
    ('lblVP4', K, 800, 275, 50, 20, 'VP4', 'valve'),
    ('VP5', K, 313, 381, 41, 37, 'vv_0.png', ''),
    ('lblVP5', K, 277, 363, 50, 20, 'VP5', 'valve'),
    ('VP6', K, 132, 614, 37, 41, 'vh_0.png', ''),
    ('lblVP6', K, 127, 595, 50, 20, 'VP6', 'valve'),
    ('VP7', K, 395, 687, 37, 41, 'vh_0.png', ''),
    ('lblVP7', K, 390, 670, 50, 20, 'VP7', 'valve'),
    ('VP8', K, 776, 363, 30, 30, 'vv_0.png', 'scaled'),
    ('lblVP8', K, 733, 347, 50, 20, 'VP8', 'valve'),
    ('VPT', C, 135, 81, 37, 41, 'vh_0.png', ''),
    ('VE1', C, 338, 81, 37, 41, 'VE_0.png', ''),
]

GAUGES = [
    ('PT1', K, 435, 490, 80, 20, '1.0E+05', 'pressure'),
    ('lblPT1', K, 435, 470, 80, 20, 'PT1', 'gauge'),
    ('lblPT1u', K, 435, 510, 80, 15, 'Па', 'pressure_unit'),
    ('linePT1', K, 505, 500, 31, 20, '', 'hline'),
    ('PT2', K, 515, 692, 80, 20, '1.0E+05', 'pressure'),
    ('lblPT2', K, 515, 672, 80, 20, 'PT2', 'gauge'),
    ('lblPT2u', K, 515, 712, 80, 15, 'Па', 'pressure_unit'),
    ('linePT4', K, 478, 702, 38, 20, '', 'hline'),
    ('PT3', K, 102, 520, 80, 20, '1.0E+05', 'pressure'),
    ('lblPT3', K, 102, 500, 80, 20, 'PT3', 'gauge'),
    ('lblPT3u', K, 102, 540, 80, 15, 'Па', 'pressure_unit'),
    ('linePT5', K, 179, 530, 25, 20, '', 'hline'),
    ('PT4', C, 50, 31, 80, 20, '1.0E+05', 'pressure'),
    ('lblPT4', C, 50, 11, 80, 20, 'PT4', 'gauge'),
    ('lblPT4u', C, 50, 51, 80, 15, 'Па', 'pressure_unit'),
    ('linePT4_1', C, 30, 40, 30, 20, '', 'hline'),
    ('linePT4_2', C, 20, -4, 20, 55, '', 'vline'),
    ('PT5', C, 530, 30, 100, 30, '1.0E+05', 'pressure'),
    ('lblPT5', C, 530, 10, 100, 20, 'PT5', 'gauge'),
    ('lblPT5u', C, 530, 60, 100, 20, 'Па', 'pressure_unit'),
    ('lblPT5n', C, 530, 80, 100, 20, '(Камера)', 'gauge'),
    ('PT6', C, 400, 100, 100, 30, '1.0E+05', 'pressure'),
    ('lblPT6', C, 400, 80, 100, 20, 'PT6', 'gauge'),
    ('lblPT6u', C, 400, 130, 100, 20, 'Па', 'pressure_unit'),
    ('lblPT6n', C, 400, 150, 100, 20, '(ЭЛП)', 'gauge'),
    ('linePT6', C, 370, 119, 40, 20, '', 'hline'),
]

PUMP_VALUES = [
    ('ND1temp', K, 575, 590, 70, 20, '23.1', 'temperature'),
    ('lblND1tempu', K, 575, 610, 70, 15, '°C', 'temperature_unit'),
    ('lineND1temp1', K, 545, 550, 20, 60, '', 'vline'),
    ('lineND1temp2', K, 555, 600, 30, 20, '', 'hline'),
    ('ND1CorpTemp', K, 670, 480, 70, 20, '10', 'temperature'),
    ('lblND1CorpTempu', K, 670, 500, 70, 15, '°C', 'temperature_unit'),
    ('lineND1CorpTemp', K, 582, 490, 110, 20, '', 'hline'),
    ('FreqTMN', C, 190, 126, 70, 20, '0', 'frequency'),
]

SENSORS = [
    ('T1', C, 280, 150, 18, 18, 't_1.png', 'scaled'),
    ('W1', C, 303, 150, 18, 18, 'w_1.png', 'scaled'),
    ('lblT1', C, 275, 130, 20, 20, '°C', 'unit_t'),
    ('lblW1', C, 305, 130, 30, 20, 'л/м', 'unit_w'),
    ('T2', K, 497, 565, 18, 18, 't_1.png', 'scaled'),
    ('W2', K, 520, 565, 18, 18, 'w_1.png', 'scaled'),
    ('T3', K, 595, 508, 18, 18, 't_1.png', 'scaled'),
    ('W3', K, 618, 508, 18, 18, 'w_1.png', 'scaled'),
    ('T4', K, 595, 550, 18, 18, 't_1.png', 'scaled'),
    ('W4', K, 618, 550, 18, 18, 'w_1.png', 'scaled'),
    ('lblT_2', K, 590, 530, 20, 20, '°C', 'unit_t'),
    ('lblW_2', K, 620, 530, 30, 20, 'л/м', 'unit_w'),
    ('T5', K, 600, 450, 18, 18, 't_1.png', 'scaled'),
    ('W5', K, 623, 450, 18, 18, 'w_1.png', 'scaled'),
    ('lblT_1', K, 595, 430, 20, 20, '°C', 'unit_t'),
    ('lblW_1', K, 625, 430, 30, 20, 'л/м', 'unit_w'),
    ('T6', K, 242, 735, 18, 18, 't_1.png', 'scaled'),
    ('W6', K, 270, 735, 18, 18, 'w_0.png', 'scaled'),
    ('lblT_5', K, 242, 715, 20, 20, '°C', 'unit_t'),
    ('lblW_5', K, 272, 715, 30, 20, 'л/м', 'unit_w'),
    ('T7', K, 510, 862, 18, 18, 't_1.png', 'scaled'),
    ('W7', K, 538, 862, 18, 18, 'w_0.png', 'scaled'),
    ('lblT_4', K, 510, 842, 20, 20, '°C', 'unit_t'),
    ('lblW_4', K, 540, 842, 30, 20, 'л/м', 'unit_w'),
]

PIPES = [
    ('pipeI0', K, 72, 91, 658, 10, 'hpipe_1.png', 'scaled'),
    ('pipeI1', K, 72, 329, 132, 10, 'hpipe_1.png', 'scaled'),
    ('pipeI2', K, 214, 329, 253, 10, 'hpipe_1.png', 'scaled'),
    ('pipeI4', K, 478, 329, 252, 10, 'hpipe_1.png', 'scaled'),
    ('pipeI3', K, 729, 91, 10, 10, 'rpipe_1.png', ''),
    ('pipeI5', K, 729, 328, 10, 10, 'rpipe_1.png', ''),
    ('pipeI6', K, 727, 100, 14, 100, 'vpipe_1.png', 'scaled'),
    ('pipeI7', K, 727, 210, 14, 86, 'vpipe_1.png', 'scaled'),
    ('pipeI8', K, 727, 303, 14, 27, 'vpipe_1.png', 'scaled'),
    ('pipeA0', K, 465, 328, 15, 91, 'vpipe_0.png', 'scaled'),
    ('pipeA1', K, 467, 419, 17, 17, 'lbpipe_0.png', ''),
    ('pipeA2', K, 484, 425, 50, 11, 'hpipe_0.png', ''),
    ('pipeB0', K, 484, 533, 50, 11, 'hpipe_0.png', ''),
    ('pipeB1', K, 467, 533, 17, 17, 'ltpipe_0.png', ''),
    ('pipeB2', K, 465, 550, 15, 40, 'vpipe_0.png', 'scaled'),
    ('pipeB3', K, 465, 588, 15, 57, 'vpipe_0.png', 'scaled'),
    ('pipeB4', K, 465, 676, 15, 27, 'vpipe_0.png', 'scaled'),
    ('pipeBC', K, 468, 702, 11, 11, 'rpipe_0.png', ''),
    ('pipeB5', K, 465, 710, 15, 43, 'vpipe_0.png', 'scaled'),
    ('pipeB6', K, 465, 780, 15, 48, 'vpipe_0.png', 'scaled'),
    ('pipeC0', K, 365, 690, 34, 35, 'hlt_0.png', ''),
    ('pipeC1', K, 429, 702, 39, 11, 'hpipe_0.png', ''),
    ('pipeH0', K, 728, 200, 70, 10, 'hpipe_0.png', 'scaled'),
    ('pipeH1', K, 793, 200, 55, 10, 'hpipe_0.png', 'scaled'),
    ('pipeH2', K, 846, 200, 17, 17, 'rtpipe_0.png', ''),
    ('pipeH3', K, 850, 217, 15, 80, 'vpipe_0.png', 'scaled'),
    ('pipeH4', K, 850, 325, 15, 60, 'vpipe_0.png', 'scaled'),
    ('pipeH5', K, 840, 382, 41, 50, 'vbt_0.png', ''),
    ('pipeJ0', K, 728, 296, 56, 7, 'hpipe_0.png', 'scaled'),
    ('pipeJ1', K, 783, 296, 12, 12, 'rtpipe_0.png', 'scaled'),
    ('pipeJ2', K, 786, 308, 10, 60, 'vpipe_0.png', 'scaled'),
    ('pipeJ3', K, 779, 390, 24, 40, 'vbt_0.png', 'scaled'),
    ('pipeE0', K, 202, 328, 15, 56, 'vpipe_0.png', 'scaled'),
    ('pipeE1', K, 202, 415, 15, 37, 'vpipe_0.png', 'scaled'),
    ('pipeEF', K, 204, 451, 11, 11, 'lpipe_0.png', ''),
    ('pipeE2', K, 202, 460, 15, 128, 'vpipe_0.png', 'scaled'),
    ('pipeE3', K, 202, 587, 15, 43, 'vpipe_0.png', 'scaled'),
    ('pipeEG', K, 205, 629, 11, 11, 'rpipe_0.png', ''),
    ('pipeE6', K, 202, 639, 15, 43, 'vpipe_0.png', 'scaled'),
    ('pipeE4', K, 202, 720, 15, 65, 'vpipe_0.png', 'scaled'),
    ('pipeE5', K, 202, 785, 15, 50, 'vpipe_0.png', 'scaled'),
    ('pipeF0', K, 326, 338, 15, 46, 'vpipe_0.png', 'scaled'),
    ('pipeF1', K, 326, 415, 15, 30, 'vpipe_0.png', 'scaled'),
    ('pipeF2', K, 322, 445, 17, 17, 'rbpipe_0.png', ''),
    ('pipeF3', K, 214, 451, 110, 11, 'hpipe_0.png', 'scaled'),
    ('pipeG0', K, 102, 617, 34, 35, 'hlt_0.png', ''),
    ('pipeG1', K, 166, 629, 39, 11, 'hpipe_0.png', ''),
    ('pipeO0', C, 105, 84, 45, 35, 'hlt_0.png', ''),
    ('pipeO1', C, 140, 96, 50, 11, 'hpipe_0.png', ''),
    ('pipeP0', C, 280, 96, 70, 11, 'hpipe_0.png', 'scaled'),
]

MODE_BUTTONS = [('sbVacPrepare', 'Подготовка'), ('sbVacForepump', 'Форвакуумная\nоткачка'),
                ('sbVacPumping', 'Откачка'), ('sbVacFilling', 'Напуск'), ('sbVacShutdown', 'Завершение'),
                ('sbVacManual', 'Ручное\n управление'), ('sbVacAdjust', 'Наладка')]

STACKING = """
linePT4_1 linePT6 GUN pipeO0 FreqTMN pipeP0 VE1 pipeO1 TMN VPT lblPT5 PT5 lblPT5u lblPT6 lblPT6u PT6
lblPT4 lblPT4u PT4 linePT4_2 lblPT6n lblT1 W1 T1 lblW1 lblPT5n NW2 lblNW2 lineND1CorpTemp
lineND1temp1 Chamber linePT1 lineND1temp2 pipeE2 pipeB0 ND1 pipeB6 pipeA1 W4 linePT5 lblPT2u
lblND1tempu VP7 lblVP1 lblND1 PT1 pipeB1 VP2 pipeB3 pipeA0 ND1temp PT2 PT3 NZ1 lblNL2 lblVP7 lblPT3u
lblNL1 linePT4 T7 pipeB5 T5 lblNZ2 pipeB4 pipeE5 lblPT1 pipeC0 lblVP2 pipeC1 NL2 pipeA2 W7 lblPT2 NL1
T4 lblVP5 lblPT3 VP5 VP1 W5 lblNZ1 lblPT1u pipeE1 lblVP3 VP3 pipeB2 pipeEF pipeF1 pipeF3 NW1 lblNW1
NP1 lblNP1 VP4 pipeH5 pipeH0 lblVP4 frameVacuum pipeBC pipeI0 pipeI2 pipeI1 pipeI4 pipeI3 pipeI6
pipeI7 pipeF0 lblT_1 lblW_1 lblT_2 lblW_2 lblT_4 lblW_4 pipeE4 NZ2 pipeE3 pipeE0 pipeF2 pipeG0 lblVP6
VP6 pipeG1 pipeEG pipeI5 pipeH2 pipeH3 pipeH4 pipeE6 Door pipeJ2 lblVP8 pipeJ3 pipeH1 W3 T3 W6 lblW_5
T6 lblT_5 ND1CorpTemp lblND1CorpTempu T2 W2 VP8 pipeJ0 pipeJ1 pipeI8
""".split()


def build_item(row):
    name, _parent, x, y, w, h, value, style = row
    geo = (x, y, w, h)
    if style in ('hline', 'vline'):
        return line(name, geo, style == 'vline')
    if value.endswith('.png'):
        return sprite(name, geo, value, style == 'scaled')
    return caption(name, geo, value, style)


def build_mode_bar():
    counts['QHBoxLayout'] += 1
    items = []
    for name, text in MODE_BUTTONS:
        props = (size_policy('Minimum', 'Minimum') + font(11, True, 'Cantarell')
                 + string('text', text) + boolean('checkable', False))
        if name == 'sbVacManual':
            props += prop('maximumSize', '<size><width>350</width><height>16777215</height></size>')
        items.append('<item>' + widget('StateButton', name, props) + '</item>')
    layout = ('<layout class="QHBoxLayout" name="horizontalLayout">' + number('spacing', 4)
              + ''.join(number(m, 2) for m in ('leftMargin', 'topMargin', 'rightMargin', 'bottomMargin'))
              + ''.join(items) + '</layout>')
    return widget('QFrame', 'frameVacuum', geometry(0, 0, 900, 81) + frame('Panel', 'Plain'), layout)


def build():
    rows = PUMPS + VALVES + GAUGES + PUMP_VALUES + SENSORS + PIPES
    names = [r[0] for r in rows]
    if len(set(names)) != len(names):
        sys.exit('an object is listed twice')
    parent_of = {r[0]: r[1] for r in rows}
    parent_of.update(Chamber=K, Door=K, frameVacuum=K, GUN=C)
    if sorted(STACKING) != sorted(n for n in parent_of if n != 'frmChamber'):
        sys.exit('the stacking order does not name every raised object exactly once')

    chamber_kids = [widget('QLabel', 'GUN', geometry(334, 61, 45, 110) + string('text', '') + pixmap('gun.png'))]
    chamber_kids += [build_item(r) for r in rows if r[1] == C]
    chamber_kids.append(zorder([n for n in STACKING if parent_of[n] == C]))
    frm_chamber = widget('QFrame', 'frmChamber', geometry(0, 10, 660, 230) + coloured(dict(bg=(214, 210, 208)))
                         + frame('Box', 'Plain', 2), ''.join(chamber_kids))
    chamber = widget('QFrame', 'Chamber', geometry(70, 90, 670, 250) + boolean('autoFillBackground', True)
                     + frame('Box', 'Plain', 2), frm_chamber)
    door = widget('PoSprite', 'Door', geometry(42, 90, 30, 250) + boolean('autoFillBackground', True)
                  + frame('Panel', None, 2) + string('text', '') + boolean('scaledContents', False))

    counts['QAction'] += 1
    action = ('<action name="actHide">' + string('text', 'Скрыть') + string('toolTip', 'Скрыть диалоги')
              + string('shortcut', 'Ctrl+H') + '</action>')
    body = ''.join([build_mode_bar(), chamber, door]
                   + [build_item(r) for r in rows if r[1] == K]
                   + [action, zorder([n for n in STACKING if parent_of[n] == K])])
    root = ('<widget class="QWidget" name="KVS">' + geometry(0, 0, 900, 900) + font(10)
            + boolean('autoFillBackground', True) + string('windowTitle', 'Form') + body + '</widget>')
    custom = [('PoLabel', 'QLabel', 'widgets.h'), ('PoSprite', 'QLabel', 'widgets.h'),
              ('StateButton', 'QPushButton', 'statebutton.h')]
    customs = ''.join(f'<customwidget><class>{c}</class><extends>{e}</extends><header>{h}</header></customwidget>'
                      for c, e, h in custom)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0"><class>KVS</class>' + root
            + '<customwidgets>' + customs + '</customwidgets>'
            + '<resources><include location="../images/vacuum.qrc"/><include location="../images/po.qrc"/>'
            + '</resources><connections/></ui>\n')


EXPECTED = {'PoSprite': 84, 'QLabel': 34, 'PoLabel': 18, 'QFrame': 12, 'StateButton': 7, 'QHBoxLayout': 1,
            'QAction': 1}


def main():
    text = build()
    if dict(counts) != EXPECTED:
        sys.exit(f'object count differs: {dict(counts)}')
    write_form(text, 'kvs.ui')


if __name__ == '__main__':
    main()
