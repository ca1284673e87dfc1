#pragma once

#include <QPushButton>
#include <QString>
#include <QWidget>

#include <memory>

#include "axis.h"
#include "widgets.h"

class DriveTCPthread;

// One axis panel of the main window, shown, with its axis object behind it (channel 1, index 0).
struct AxisPanel {
    explicit AxisPanel(DriveTCPthread* link, bool endless = false,
                       const QString& name = QStringLiteral("LX"), int maxSpeed = 3000,
                       const QString& units = QStringLiteral("мм"))
    {
        window.resize(400, 100);
        sprite = new PoSprite(&window);
        coord = new PoLabel(&window);
        speed = new PoLabel(&window);
        plus = new QPushButton(QStringLiteral("+"), &window);
        minus = new QPushButton(QStringLiteral("-"), &window);
        info = new QPushButton(QStringLiteral("i"), &window);
        minus->move(100, 0);
        coord->setGeometry(0, 40, 100, 30);
        speed->setGeometry(100, 40, 100, 30);
        info->move(200, 0);
        window.show();
        axis = std::make_unique<Axis>(name, units, 0, 1, maxSpeed, link, sprite, coord, speed, plus,
                                      minus, info, endless, false);
    }
    QWidget window;
    PoSprite* sprite;
    PoLabel* coord;
    PoLabel* speed;
    QPushButton* plus;
    QPushButton* minus;
    QPushButton* info;
    std::unique_ptr<Axis> axis;
};
