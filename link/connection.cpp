// Creating and closing Connections.
#include "link/connection.h"

namespace tq {

ConnectionRef CreateConnectionOnPort(std::unique_ptr<SerialPort> port, WindowHandle owner,
                                     std::uint32_t timeout) {
  if (!port) return nullptr;
  auto connection = std::make_shared<Connection>();
  connection->port = std::move(port);
  connection->timeout = timeout;
  connection->owner = owner;
  return connection;
}

ConnectionRef CreateConnection(WindowHandle owner, const std::string& port_name) {
  return CreateConnectionOnPort(OpenSerialPort(port_name), owner, kConnectionTimeoutMs);
}

ConnectionRef CloseConnection(ConnectionRef connection) {
  connection.reset();
  return nullptr;
}

}  // namespace tq
