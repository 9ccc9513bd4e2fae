#pragma once

#include "core/Trim.h"

#include <QString>

// TrimControls for the toolkit's texts: field texts, stored texts, key paths
// and search phrases all trim alike.
inline QString TrimControls(const QString &text)
{
    return QString::fromStdString(TrimControls(text.toStdString()));
}
