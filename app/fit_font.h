// Fixed-size controls were laid out for Tahoma; where another font stands in and runs
// wider, their texts shrink a little rather than lose their ends.
#pragma once

#include <QFont>
#include <QSize>
#include <QStringList>

// The font, made smaller in small steps until every line fits side by side in room's
// width and all of them one under another in its height.
QFont FontToFit(QFont font, const QStringList& lines, QSize room);
