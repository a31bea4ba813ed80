// Which window each modal template opens. Each configuration dialog adds its case here.
#include "shell/modal_dialogs_win32.h"

#include "shell/about_dialog_win32.h"
#include "shell/resource.h"

namespace tq {

INT_PTR open_modal_dialog(int template_id, HWND owner, const ConnectionRef& connection) {
  switch (template_id) {
    case IDD_ABOUT:
      return open_about_dialog(owner, connection);
    default:
      return 0;
  }
}

}  // namespace tq
