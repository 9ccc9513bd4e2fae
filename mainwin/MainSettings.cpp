#include "mainwin/MainSettings.h"

#include "platform/QtTrim.h"

namespace {

// Value names in the order they are written.
const char *const FieldValueNames[FieldCount] = {"Ed_a", "Ed_b", "Ed_c", "Ed_d", "Ed_m",
                                                 "Ed_n", "Ed_k", "Ed_t", "Ed_s"};

QString ValueName(TField field)
{
    return QLatin1String(FieldValueNames[int(field)]);
}

std::string ReadField(const TSettingsKey &key, TField field, bool trim)
{
    const QString text = ReadStringValue(key, ValueName(field));
    return (trim ? TrimControls(text) : text).toStdString();
}

} // namespace

void SaveMainSettings(const TSettingsStore &store, const clInputFields &fields,
                      const TPlacement &placement)
{
    if (!store.SaveEnabled)
        return;
    const TSettingsKey &key = store.key;
    if (EnsureKey(key) == 2)
        return;
    for (int i = 0; i < FieldCount; ++i) {
        const TField field = TField(i);
        WriteStringValue(key, ValueName(field), QString::fromStdString(fields.Text(field)));
    }
    if (store.SavePositions)
        WriteIntegerValue(key, QStringLiteral("FormFLeft"), placement.left);
    WriteIntegerValue(key, QStringLiteral("FormFWidth"), placement.width);
    if (store.SavePositions)
        WriteIntegerValue(key, QStringLiteral("FormFTop"), placement.top);
    WriteIntegerValue(key, QStringLiteral("FormFHeight"), placement.height);
}

void LoadMainSettings(const TSettingsKey &key, clInputFields &fields, TInputTable &table,
                      bool &busy, const QSize &screen, const QSize &minimum,
                      const std::function<void(const TPlacement &)> &place)
{
    const TEditBusyGuard guard(busy);
    if (!KeyExists(key))
        return;

    TPlacement placement;
    placement.left = ReadIntegerValue(key, QStringLiteral("FormFLeft"));
    placement.width = ReadIntegerValue(key, QStringLiteral("FormFWidth"));
    placement.top = ReadIntegerValue(key, QStringLiteral("FormFTop"));
    placement.height = ReadIntegerValue(key, QStringLiteral("FormFHeight"));
    if (PlacementAcceptable(placement.left, placement.width, placement.top, placement.height,
                            screen, minimum) &&
        place)
        place(placement);

    for (TField cell : {TField::a, TField::b, TField::c, TField::d}) {
        fields.SetText(cell, ReadField(key, cell, true));
        CellExit(fields, table, cell);
    }
    const bool cellEmpty = fields.Text(TField::a).empty() || fields.Text(TField::b).empty() ||
                           fields.Text(TField::c).empty() || fields.Text(TField::d).empty();
    if (!cellEmpty)
        return; // the margins follow from the cells
    fields.SetText(TField::m, ReadField(key, TField::m, true));
    MarginExit(fields, table, TField::m);
    fields.SetText(TField::k, ReadField(key, TField::k, true));
    MarginExit(fields, table, TField::k);
    // TotalExit trims the total itself.
    fields.SetText(TField::s, ReadField(key, TField::s, false));
    TotalExit(fields, table);
}
