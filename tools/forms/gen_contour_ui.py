#!/usr/bin/env python3
"""Writes forms/contour.ui, the weld program editor's designer form (a tab widget of five pages).

The generated file is the source of the screen from then on (open it in Qt Designer); this script
only made its first version and can make it again when the tables change.
Usage: tools/forms/gen_contour_ui.py [output]   (default: forms/contour.ui)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_gui_ui import (boolean, centred, coloured, enum, font, frame, geometry, no_focus,  # noqa: E402
                        number, palette, prop, string, widget)

VALUE = dict(text=(0, 0, 0), bg=(189, 255, 180))
CAPTION = dict(bg=(210, 230, 250))
BUTTON_FONT = font(11, True, 'Cantarell')
CAPTION_FONT = font(11, False, 'Cantarell')
VALUE_FONT = font(14, True, 'Cantarell')

STYLE = ('QTableWidget { border: 2px solid black; border-radius: 5px; background-color: rgb(220, 220, 220);'
         ' selection-background-color: rgba(255, 178, 102, 255); }\n'
         'QHeaderView { font-size: 10pt; }\n'
         'QHeaderView::section { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1,'
         ' stop:0 #616161, stop:0.5 #505050, stop:0.6 #434343, stop:1 #656565); color: white;'
         ' padding-left: 4px; border: 1px solid #6c6c6c; }\n'
         'QTableCornerButton::section { background-color: #505050; border: 1px solid #6c6c6c; }')


def button(name, geo, text, enabled=True, checkable=False, fnt=BUTTON_FONT):
    props = geometry(*geo) + fnt + no_focus() + string('text', text)
    if not enabled:
        props += boolean('enabled', False)
    if checkable:
        props += boolean('checkable', True)
    return widget('QPushButton', name, props)


def value_label(name, geo, text='0'):
    props = (geometry(*geo) + coloured(VALUE) + VALUE_FONT + frame('Panel', 'Sunken', 2) + centred()
             + string('text', text))
    return widget('PoLabel', name, props)


def caption(name, geo, text, cls='QLabel'):
    return widget(cls, name, geometry(*geo) + CAPTION_FONT + centred() + string('text', text))


def value_frame(name, geo, label, label_text, value, value_w, enabled=True):
    """A raised panel: the caption on the left, the value label on the right."""
    x, y, w, h = geo
    cap_w = w - value_w - 15
    children = (caption(label, (5, 5, cap_w, h - 10), label_text)
                + value_label(value, (10 + cap_w, 5, value_w, h - 10)))
    props = geometry(*geo) + coloured(CAPTION) + frame('StyledPanel', 'Raised')
    if not enabled:
        props += boolean('enabled', False)
    return widget('QFrame', name, props, children)


def table(name, geo):
    props = (geometry(*geo) + no_focus() + enum('editTriggers', 'QAbstractItemView::NoEditTriggers')
             + enum('selectionMode', 'QAbstractItemView::SingleSelection')
             + enum('selectionBehavior', 'QAbstractItemView::SelectRows') + font(12, False, 'Cantarell'))
    return props


def tech_table(geo):
    headers = ['Путь,\nмм', 'Ток\nмА', 'Фокус,\nмА', 'Откл.\nпо X, мА', 'Откл.\nпо Y, мА',
               'Скорость,\nмм/мин', 'Техн.\nразв.']
    columns = ''.join(f'<column>{string("text", h)}</column>' for h in headers)
    stretch = '<attribute name="horizontalHeaderStretchLastSection"><bool>true</bool></attribute>'
    return widget('QTableWidget', 'twTechTab', table('twTechTab', geo) + number('columnCount', 7),
                  stretch + columns)


def page(name, title, children):
    return (f'<widget class="QWidget" name="{name}"><attribute name="title">'
            f'<string>{title}</string></attribute>{children}</widget>')


def fixed_height(h, w=None):
    size = f'<size><width>{w or 0}</width><height>{h}</height></size>'
    most = f'<size><width>{w or 16777215}</width><height>{h}</height></size>'
    return prop('minimumSize', size) + prop('maximumSize', most)


def in_layout(widget_xml, extra):
    """A widget of a layout: its geometry is the layout's, its height (and width) fixed."""
    return widget_xml.replace('<property name="geometry">', extra + '<property name="geometry">', 1)


def contour_page():
    """The contour table over a grid of buttons and values, then the circle's frame (shown only for
    circular interpolation: the table takes its place when it is hidden) and the scheme's caption."""
    W, H = 130, 64
    rotate = (caption('lblDiameter', (5, 5, 100, 54), 'Диаметр, мм')
              + value_label('diameter', (107, 5, 80, 54))
              + caption('lblCenter', (189, 5, 55, 54), 'Центр')
              + value_label('centerX', (246, 5, 70, 54)) + value_label('centerY', (318, 5, 70, 54))
              + caption('lblPlane', (390, 5, 85, 54), 'Плоскость')
              + value_label('plane', (477, 5, 55, 54), 'XY'))
    grid = [
        (0, 0, 1, button('pbNew', (0, 0, W, H), 'Новый\nконтур')),
        (0, 1, 1, button('pbIns', (0, 0, W, H), 'Вставить\nточку', enabled=False)),
        (0, 2, 1, button('pbCorr', (0, 0, W, H), 'Сдвиг', enabled=False)),
        (0, 3, 1, button('pbDel', (0, 0, W, H), 'Удалить\nточку', enabled=False)),
        (1, 0, 1, button('pbInverse', (0, 0, W, H), 'Инверсия\nконтура', enabled=False)),
        (1, 1, 1, button('pbCorrNgo', (0, 0, W, H), 'Сдвинуть\nи перейти', enabled=False)),
        (1, 2, 1, button('pbRing', (0, 0, W, H), 'Замкнуть\nконтур', enabled=False, checkable=True,
                         fnt=font(10, True, 'Cantarell'))),
        (1, 3, 1, value_frame('frmRings', (0, 0, W, H), 'lblRings', 'Проходов', 'nrings', 34, enabled=False)),
        (2, 0, 1, button('pbLoad', (0, 0, W, H), 'Загрузить\nконтур')),
        (2, 1, 1, button('pbSave', (0, 0, W, H), 'Сохранить\nконтур', enabled=False)),
        (2, 2, 2, value_frame('frmContourSpeed', (0, 0, 265, H), 'lblContourSpeed', 'Скорость\nперехода',
                              'contourSpeed', 110)),
        (3, 0, 2, value_frame('frmLength', (0, 0, 265, H), 'lblLength', 'Длина прохода,\n мм', 'length', 110)),
        (3, 2, 2, value_frame('frmPoints', (0, 0, 265, H), 'lblPoints', 'Число точек', 'points', 110)),
    ]
    items = ''.join(f'<item row="{r}" column="{c}" colspan="{span}">'
                    + in_layout(xml, fixed_height(H, W * span + 5 * (span - 1))) + '</item>'
                    for r, c, span, xml in grid)
    layout = (
        '<layout class="QVBoxLayout" name="vlContour">' + number('spacing', 5)
        + ''.join(number(m, 5) for m in ('leftMargin', 'topMargin', 'rightMargin', 'bottomMargin'))
        + '<item>' + widget('QTableWidget', 'twContour', table('twContour', (5, 5, 540, 400))) + '</item>'
        + '<item><layout class="QGridLayout" name="glContour">' + number('horizontalSpacing', 5)
        + number('verticalSpacing', 5) + items + '</layout></item>'
        + '<item>' + widget('QFrame', 'frmRotate', fixed_height(H) + geometry(5, 0, 540, H) + coloured(CAPTION)
                            + frame('StyledPanel', 'Raised'), rotate) + '</item>'
        + '<item>' + widget('QLabel', 'lblConsts', fixed_height(60) + geometry(5, 0, 540, 60)
                            + font(11, False, 'Cantarell') + enum('textFormat', 'Qt::RichText')
                            + boolean('wordWrap', True)
                            + prop('alignment', '<set>Qt::AlignLeading|Qt::AlignLeft|Qt::AlignTop</set>')
                            + string('text', '')) + '</item>'
        + '</layout>')
    return page('contour', 'Контур', layout)


def tech_page():
    W, H = 130, 70
    col = [5, 140, 275, 410]
    r1, r2, r3 = 570, 645, 720
    children = ''.join([
        tech_table((5, 5, 540, 560)),
        button('pbInsTechPoint', (col[0], r1, W, H), 'Вставить\nточку'),
        button('pbDelTechPoint', (col[1], r1, W, H), 'Удалить\nточку'),
        button('pbAddTechPoint', (col[2], r1, W, H), 'Добавить\nточку\nиз контура', fnt=font(10, True, 'Cantarell')),
        button('pbTemplate', (col[3], r1, W, H), 'Шаблон', enabled=False),
        button('pbSettings', (col[0], r2, W, H), 'Настройки'),
        button('pbLoad_2', (col[1], r2, W, H), 'Загрузить\nконтур'),
        button('pbSave_2', (col[2], r2, W, H), 'Сохранить\nконтур', enabled=False),
        value_frame('frmWeldSpeed', (5, r3, 265, 95), 'lblWeldSpeed', 'Скорость сварки,\nмм/мин', 'weldSpeed', 100),
        button('pbGcode', (275, r3, 265, 95), 'ПУСК', fnt=font(20, True, 'Cantarell')),
    ])
    return page('tech', 'Технология', children)


def channel_page(n):
    suffix = '' if n == 1 else f'_{n}'
    children = ''.join([
        widget('QLabel', f'lbProgName{n}', geometry(5, 5, 540, 30) + font(12, True, 'Cantarell')
               + centred() + string('text', '')),
        widget('QPlainTextEdit', f'teGcode{suffix}', geometry(5, 40, 540, 680) + enum('focusPolicy', 'Qt::WheelFocus')
               + font(12, False, 'Monospace')),
        button(f'pbRun{suffix}', (5, 725, 175, 90), f'ПУСК\nканал {n}', fnt=font(14, True, 'Cantarell')),
        button(f'pbPrgOpen_{n}', (185, 725, 175, 90), 'Открыть\nфайл'),
        button(f'pbPrgSave_{n}', (365, 725, 180, 90), 'Сохранить\nфайл'),
    ])
    return page(f'channel0{n}', f'Канал {n}', children)


def build():
    body = contour_page() + tech_page() + channel_page(1) + channel_page(2) + channel_page(3)
    window = ('<widget class="QTabWidget" name="CONTOUR">' + geometry(0, 0, 550, 870)
              + palette(roles=[('Window', (255, 255, 192)), ('Base', (255, 255, 255))], dis_roles=[])
              + font(14, False, 'Cantarell') + no_focus() + string('styleSheet', STYLE, notr=True)
              + enum('tabPosition', 'QTabWidget::South') + number('currentIndex', 1)
              + boolean('usesScrollButtons', False) + body + '</widget>')
    customs = '<customwidget><class>PoLabel</class><extends>QLabel</extends><header>widgets.h</header></customwidget>'
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0"><class>CONTOUR</class>' + window
            + '<customwidgets>' + customs + '</customwidgets><resources/><connections/></ui>\n')


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'forms', 'contour.ui')
    text = build()
    import xml.etree.ElementTree as ET
    tree = ET.fromstring(text.split('\n', 1)[1])
    ET.indent(tree, space=' ')
    with open(out, 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(tree, encoding='unicode') + '\n')


if __name__ == '__main__':
    main()
