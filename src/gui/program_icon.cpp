#include "gui/program_icon.h"

#include <QPixmap>
#include <string_view>

#include "resources/icon_256_png.h"
#include "resources/icon_32_png.h"
#include "resources/icon_48_png.h"
#include "resources/icon_64_png.h"

namespace tonvale {

QIcon LoadProgramIcon() {
  QIcon icon;
  for (std::string_view png : {resources::icon_32_png, resources::icon_48_png,
                               resources::icon_64_png, resources::icon_256_png}) {
    QPixmap pixmap;
    if (pixmap.loadFromData(reinterpret_cast<const uchar*>(png.data()),
                            static_cast<uint>(png.size()), "PNG")) {
      icon.addPixmap(pixmap);
    }
  }
  return icon;
}

}  // namespace tonvale
