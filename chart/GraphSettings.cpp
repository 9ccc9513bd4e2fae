#include "chart/GraphSettings.h"

#include "chart/ChartDraw.h"
#include "ui_FormGraph.h"

#include <QGuiApplication>
#include <QScreen>

void EnableBarControls(Ui::FormGraph &ui, bool on)
{
    for (QWidget *w : QList<QWidget *>{ui.Pan_Levee, ui.Pan_a, ui.Pan_Pravee, ui.Lb_left_a, ui.Lb_a,
                                       ui.Lb_right_a})
        w->setEnabled(on);
}

void EnableRegionControls(Ui::FormGraph &ui, bool on)
{
    for (QWidget *w : QList<QWidget *>{ui.RGpKrit, ui.RGrpZnach, ui.Pan_KritObl, ui.Lb_krit})
        w->setEnabled(on);
}

void ApplyOptionStates(Ui::FormGraph &ui)
{
    const bool colouring = ui.RGrpColor->ItemIndex() == 0;
    ui.GBoxColor->setEnabled(colouring);
    EnableBarControls(ui, colouring && ui.ChBoxP->isChecked());
    EnableRegionControls(ui, colouring && ui.ChBoxKrObl->isChecked());
}

void LoadGraphSettings(const TSettingsStore &store, QWidget &window, Ui::FormGraph &ui)
{
    const TSettingsKey &key = store.key;
    if (!KeyExists(key))
        return;
    const int32_t left = ReadIntegerValue(key, QStringLiteral("FormGLeft"));
    const int32_t width = ReadIntegerValue(key, QStringLiteral("FormGWidth"));
    const int32_t top = ReadIntegerValue(key, QStringLiteral("FormGTop"));
    const int32_t height = ReadIntegerValue(key, QStringLiteral("FormGHeight"));
    // No placement stored means the chart values were never written.
    if (left == 0 && width == 0 && top == 0 && height == 0)
        return;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // The stored size is the frame's. A client area without room for the
        // tool bar and a drawable image would open a window that shows
        // nothing, or none at all, and store that again when closed.
        const bool drawable =
            int64_t(width) - FormGFrameWidth >= ChartMinWidth &&
            int64_t(height) - FormGFrameHeight - FormGToolBarHeight >= ChartMinHeight;
        const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize()) +
                              QSize(FormGFrameWidth, FormGFrameHeight);
        if (drawable &&
            PlacementAcceptable(left, width, top, height, screen->geometry().size(), minimum)) {
            window.move(left, top);
            window.resize(width - FormGFrameWidth, height - FormGFrameHeight);
        }
    }

    // Every change below runs its control's handler, in this order; the colouring
    // item comes last so that it has the final word on the enabled states.
    ui.RGrpColor->SetItemIndex(0);
    ui.ChBoxP->setChecked(true);
    ui.ChBoxKrObl->setChecked(true);

    ui.Pan_Levee->SetColor(TColor(ReadIntegerValue(key, QStringLiteral("Pan_LeveeColor"))));
    ui.Pan_a->SetColor(TColor(ReadIntegerValue(key, QStringLiteral("Pan_aColor"))));
    ui.Pan_Pravee->SetColor(TColor(ReadIntegerValue(key, QStringLiteral("Pan_PraveeColor"))));
    ui.Pan_KritObl->SetColor(TColor(ReadIntegerValue(key, QStringLiteral("Pan_KritOblColor"))));

    const int32_t krit = ReadIntegerValue(key, QStringLiteral("RGpKritIndex"));
    if (krit >= 0 && krit <= 2)
        ui.RGpKrit->SetItemIndex(krit);
    const int32_t znach = ReadIntegerValue(key, QStringLiteral("RGrpZnachIndex"));
    if (znach >= 0 && znach <= 2)
        ui.RGrpZnach->SetItemIndex(znach);

    ui.ChBoxP->setChecked(ReadBoolValue(key, QStringLiteral("ChBoxPChecked")));
    ui.ChBoxKrObl->setChecked(ReadBoolValue(key, QStringLiteral("ChBoxKrOblChecked")));

    const int32_t colour = ReadIntegerValue(key, QStringLiteral("RGrpColorIndex"));
    if (colour == 0 || colour == 1)
        ui.RGrpColor->SetItemIndex(colour);
}

void SaveGraphSettings(const TSettingsStore &store, const QWidget &window, const Ui::FormGraph &ui)
{
    const TSettingsKey &key = store.key;
    if (!store.SaveEnabled)
        return;
    if (EnsureKey(key) == 2)
        return;
    if (store.SavePositions)
        WriteIntegerValue(key, QStringLiteral("FormGLeft"), window.x());
    WriteIntegerValue(key, QStringLiteral("FormGWidth"), window.width() + FormGFrameWidth);
    if (store.SavePositions)
        WriteIntegerValue(key, QStringLiteral("FormGTop"), window.y());
    WriteIntegerValue(key, QStringLiteral("FormGHeight"), window.height() + FormGFrameHeight);
    WriteIntegerValue(key, QStringLiteral("RGrpColorIndex"), ui.RGrpColor->ItemIndex());
    WriteBoolValue(key, QStringLiteral("ChBoxPChecked"), ui.ChBoxP->isChecked());
    WriteBoolValue(key, QStringLiteral("ChBoxKrOblChecked"), ui.ChBoxKrObl->isChecked());
    WriteIntegerValue(key, QStringLiteral("RGpKritIndex"), ui.RGpKrit->ItemIndex());
    WriteIntegerValue(key, QStringLiteral("RGrpZnachIndex"), ui.RGrpZnach->ItemIndex());
    WriteIntegerValue(key, QStringLiteral("Pan_LeveeColor"), int32_t(ui.Pan_Levee->Color()));
    WriteIntegerValue(key, QStringLiteral("Pan_aColor"), int32_t(ui.Pan_a->Color()));
    WriteIntegerValue(key, QStringLiteral("Pan_PraveeColor"), int32_t(ui.Pan_Pravee->Color()));
    WriteIntegerValue(key, QStringLiteral("Pan_KritOblColor"), int32_t(ui.Pan_KritObl->Color()));
}
