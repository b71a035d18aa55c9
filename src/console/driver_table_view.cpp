#include "console/driver_table_view.h"

#include "core/console_context.h"
#include "widgets/grid_look.h"
#include "widgets/widget_build.h"

namespace kaltero::console {

DriverTableView::DriverTableView(core::Console& console, int slot, QWidget* parent)
    : QTableView(parent), drivers_(console.race, slot, console.settings, this) {
    widgets::named(this, widgets::indexed("Spd_DriverInfo", slot));
    widgets::setGridLook(this);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setModel(&drivers_);
}

}  // namespace kaltero::console
