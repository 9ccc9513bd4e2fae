#pragma once

#include "mainwin/KeyState.h"
#include "mainwin/SettingsStore.h"
#include "report/CriticalBounds.h"

#include <QWidget>

// The chart window "График распределения". Placeholder until the chart is built.
class TFormGraph : public QWidget {
    Q_OBJECT
public:
    // bounds: the result window's critical bounds, read at every redraw.
    TFormGraph(const TSettingsKey &settings, clKeyboardSource &keys,
               const TCriticalBounds &bounds, QWidget *parent = nullptr);

    // Redraws the chart from the current distribution and shows the window.
    void ShowChart();
};
