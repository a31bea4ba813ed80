// The BusyDialog: one Transaction on a worker thread behind a modal dialog with Cancel.
#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

#include "link/transaction.h"

namespace tq {
namespace {

constexpr UINT kMsgTransactionDone = WM_USER;
constexpr DWORD kWorkerWaitMs = 100;

// Shared by the dialog and its worker. After Cancel the dialog waits only briefly, and a
// read that cannot be cancelled keeps the worker going, so the worker owns a share of
// this record and works on its own copy of the Frame, never on the caller's. It also
// holds its own reference to the Connection, which therefore outlives the worker.
struct BusyJob {
  ConnectionRef connection;
  Frame frame{};
  std::mutex mutex;
  HWND dialog = nullptr;  // cleared when the dialog goes: nothing is posted after that
  bool done = false;      // the worker's Transaction has returned `result`
  int result = kResultLinkFailure;
};

// On the caller's stack for as long as the dialog exists.
struct BusyDialogState {
  std::shared_ptr<BusyJob> job;
  Frame* caller_frame = nullptr;
  HANDLE worker = nullptr;
  bool ended = false;
  int result = kResultLinkFailure;
};

DWORD WINAPI BusyWorker(LPVOID parameter) {
  const std::unique_ptr<std::shared_ptr<BusyJob>> share(
      static_cast<std::shared_ptr<BusyJob>*>(parameter));
  BusyJob& job = **share;
  const int result = RunTransaction(job.connection.get(), job.frame);
  std::lock_guard lock(job.mutex);
  job.done = true;
  job.result = result;
  if (job.dialog != nullptr) PostMessageA(job.dialog, kMsgTransactionDone, 0, result);
  return 0;
}

HANDLE StartWorker(const std::shared_ptr<BusyJob>& job) {
  auto share = std::make_unique<std::shared_ptr<BusyJob>>(job);
  const HANDLE thread = CreateThread(nullptr, 0, &BusyWorker, share.get(), 0, nullptr);
  if (thread != nullptr) share.release();  // the worker owns it now
  return thread;
}

void EndWith(HWND dialog, BusyDialogState& state, int result) {
  if (state.ended) return;
  state.ended = true;
  state.result = result;
  EndDialog(dialog, result);
}

// WM_USER is also DM_GETDEFID, which the dialog manager sends with lParam 0 (on Enter,
// for instance): only the worker's own report, recorded in the job, ends the dialog.
bool OnTransactionDone(HWND dialog, BusyDialogState& state) {
  int result = kResultLinkFailure;
  {
    std::lock_guard lock(state.job->mutex);
    if (!state.job->done) return false;
    result = state.job->result;
    if (result == kResultOk) *state.caller_frame = state.job->frame;
  }
  EndWith(dialog, state, result);
  return true;
}

void LetWorkerGo(BusyDialogState& state) {
  {
    std::lock_guard lock(state.job->mutex);
    state.job->dialog = nullptr;
  }
  if (state.worker == nullptr) return;
  // Under Wine the cancel does not interrupt a serial read; the worker then ends with
  // its read, on its own share of the job.
  CancelSynchronousIo(state.worker);
  WaitForSingleObject(state.worker, kWorkerWaitMs);
  CloseHandle(state.worker);
  state.worker = nullptr;
}

INT_PTR CALLBACK BusyDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, lparam);
    auto& state = *reinterpret_cast<BusyDialogState*>(lparam);
    {
      std::lock_guard lock(state.job->mutex);
      state.job->dialog = dialog;
    }
    state.worker = StartWorker(state.job);
    if (state.worker == nullptr) EndWith(dialog, state, kResultLinkFailure);
    return TRUE;
  }
  auto* state = reinterpret_cast<BusyDialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  if (state == nullptr) return FALSE;  // messages that come before WM_INITDIALOG
  switch (message) {
    case kMsgTransactionDone:
      return OnTransactionDone(dialog, *state) ? TRUE : FALSE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDCANCEL) EndWith(dialog, *state, kResultBusyCancelled);
      return TRUE;
    case WM_DESTROY:
      LetWorkerGo(*state);
      SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

// An in-memory dialog template (always UTF-16): one line of text and Cancel (id 2).
class TemplateWriter {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Short(short value) { Word(static_cast<WORD>(value)); }
  void Text(const char* ascii) {
    while (*ascii != '\0') Word(static_cast<WORD>(static_cast<unsigned char>(*ascii++)));
    Word(0);
  }
  // Each item starts on a DWORD boundary (the vector's storage itself is aligned).
  void Align() {
    if (words_.size() % 2 != 0) Word(0);
  }
  const WORD* data() const { return words_.data(); }

 private:
  std::vector<WORD> words_;
};

constexpr WORD kStaticClass = 0x0082;
constexpr WORD kButtonClass = 0x0080;

void Item(TemplateWriter& w, DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
          const char* text) {
  w.Align();
  w.Dword(WS_CHILD | WS_VISIBLE | style);
  w.Dword(0);
  w.Short(x);
  w.Short(y);
  w.Short(cx);
  w.Short(cy);
  w.Word(id);
  w.Word(0xFFFF);
  w.Word(atom);
  w.Text(text);
  w.Word(0);  // no creation data
}

TemplateWriter BusyTemplate() {
  TemplateWriter w;
  w.Dword(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | DS_SETFONT);
  w.Dword(0);
  w.Word(2);  // items
  w.Short(0);
  w.Short(0);
  w.Short(168);
  w.Short(52);
  w.Word(0);  // no menu
  w.Word(0);  // standard dialog class
  w.Text("Please wait");
  w.Word(8);
  w.Text("MS Shell Dlg");
  Item(w, SS_LEFT, 8, 8, 152, 10, 0xFFFF, kStaticClass, "Waiting for the instrument...");
  Item(w, BS_DEFPUSHBUTTON | WS_TABSTOP, 59, 30, 50, 14, IDCANCEL, kButtonClass, "Cancel");
  return w;
}

}  // namespace

int RunTransactionBehindBusyDialog(Connection& connection, Frame& frame) {
  BusyDialogState state;
  state.job = std::make_shared<BusyJob>();
  state.job->connection = connection.weak_from_this().lock();
  if (!state.job->connection) return kResultLinkFailure;  // only shared Connections exist
  state.job->frame = frame;
  state.caller_frame = &frame;

  const auto owner = static_cast<HWND>(connection.owner);
  const auto parameter = reinterpret_cast<LPARAM>(&state);
  INT_PTR shown = -1;
  if (connection.busy_dialog != 0) {
    shown = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(connection.busy_dialog),
                            owner, &BusyDialogProc, parameter);
  } else {
    const TemplateWriter layout = BusyTemplate();
    shown = DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                    reinterpret_cast<LPCDLGTEMPLATEA>(layout.data()), owner,
                                    &BusyDialogProc, parameter);
  }
  // A dialog that never ran (bad template, bad owner) may still report 0: only what the
  // dialog itself ended with counts.
  if (shown == -1 || !state.ended) return kResultLinkFailure;
  return state.result;
}

}  // namespace tq
