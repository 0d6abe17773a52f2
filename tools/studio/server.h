// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace veltrane::studio {

// The studio's HTTP server: the page, and the requests it makes of the folder, the renderer and
// the screens. Every request must carry the token (see access.h).
class StudioServer {
 public:
  // Serves `folder` (which must exist) to whoever holds `token`.
  StudioServer(const std::filesystem::path& folder, std::string token);
  ~StudioServer();
  StudioServer(const StudioServer&) = delete;
  StudioServer& operator=(const StudioServer&) = delete;

  // Binds `address` (an IPv4 address) and `port`, any free port for 0; the port bound, or
  // nothing when the system refused.
  std::optional<int> Bind(const std::string& address, int port);

  // Serves on a thread of its own until Stop.
  void Start();

  // Ends every wait of a request, stops serving and waits for the serving thread to end.
  void Stop();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace veltrane::studio
