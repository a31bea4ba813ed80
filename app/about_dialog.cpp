// Texts of the About dialog.
#include "app/about_dialog.h"

#include <string_view>

#include "app/main_window.h"
#include "link/device_type.h"
#include "ui/resource.h"

namespace tq {

AboutTexts about_texts(std::optional<std::uint16_t> device_type,
                       const std::optional<FirmwareVersion>& firmware) {
  AboutTexts texts;
  texts.gui = std::string("GUI Version: ") + kGuiVersion;
  if (device_type) texts.device = "Device: " + DeviceTypeName(*device_type);
  if (firmware) {
    // The instrument may fill the whole field: never read past it.
    const std::string_view field(firmware->version.data(), firmware->version.size());
    texts.firmware = "Firmware Version: " + std::string(field.substr(0, field.find('\0')));
  }
  return texts;
}

std::vector<ControlText> about_face(const AboutTexts& texts) {
  return {
      {IDC_ABOUT_ADDRESS1, kMakerAddress[0]},
      {IDC_ABOUT_ADDRESS2, kMakerAddress[1]},
      {IDC_ABOUT_ADDRESS3, kMakerAddress[2]},
      {IDC_ABOUT_ADDRESS4, kMakerAddress[3]},
      {IDC_ABOUT_GUI, texts.gui},
      {IDC_ABOUT_FIRMWARE, texts.firmware},
      {IDC_ABOUT_DEVICE, texts.device},
  };
}

}  // namespace tq
