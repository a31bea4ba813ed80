// Builds without windows have no BusyDialog: the Transaction runs on the caller's thread.
#include "link/transaction.h"

namespace tq {

int RunTransactionBehindBusyDialog(Connection& connection, Frame& frame) {
  return RunTransaction(&connection, frame);
}

}  // namespace tq
