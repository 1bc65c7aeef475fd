#pragma once

#include "platform/controls.h"
#include "platform/itemlist.h"

#include <QStringList>
#include <QTest>
#include <QWidget>

// The test lists in tests/data/sorted hold, in sorted order:
//   list 1: "All at once the", "it seems the", "Then the"
//   list 2: "flaky"
//   list 3: "Disk", "router"
//   list 4: "", "awoke.", "blinked twice.", "is Down.", "melted."
inline const QString SortedSet = QStringLiteral(FIBWRIGHT_TEST_DATA "/sorted");

inline platform::ItemList itemsOf(const QStringList &texts)
{
    platform::ItemList list;
    for (const QString &t : texts)
        list.append(t);
    return list;
}

inline QStringList itemsIn(const platform::ComboBox &combo)
{
    QStringList out;
    for (int i = 0; i < combo.listCount(); ++i)
        out << combo.list(i);
    return out;
}

// Shows a window and makes it the active one, so that access keys reach it.
[[nodiscard]] inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}
