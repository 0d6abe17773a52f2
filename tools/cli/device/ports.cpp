// SPDX-License-Identifier: MIT
// The serial ports come from libserialport, which knows each system's way of listing them and
// their USB identity. It is kept out of the library: only this command needs it, and the library
// opens the one port it is given by name.
#include "ports.h"

#include <libserialport.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "commands.h"

namespace veltrane::cli {
namespace {

// Descriptions longer than this are cut: the line stays one readable line.
constexpr size_t kMaxDescriptionBytes = 120;

std::string Printable(std::string text) {
  if (text.size() > kMaxDescriptionBytes) text.resize(kMaxDescriptionBytes);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return text;
}

std::string OrDash(const std::string& text) { return text.empty() ? "-" : Printable(text); }

// The name under /dev/serial/by-id that leads to `path`; empty when there is none.
std::string ByIdName(const std::string& path) {
  std::error_code error;
  const std::filesystem::path device = std::filesystem::canonical(path, error);
  if (error) return {};
  for (const auto& entry : std::filesystem::directory_iterator("/dev/serial/by-id", error)) {
    std::error_code resolved;
    if (std::filesystem::canonical(entry.path(), resolved) == device && !resolved)
      return entry.path().filename().string();
  }
  return {};
}

PortRecord Describe(const sp_port* port) {
  PortRecord record;
  record.path = sp_get_port_name(port);
  record.byIdName = ByIdName(record.path);
  if (const char* description = sp_get_port_description(port)) record.description = description;
  int vendor = 0;
  int product = 0;
  if (sp_get_port_transport(port) == SP_TRANSPORT_USB &&
      sp_get_port_usb_vid_pid(port, &vendor, &product) == SP_OK) {
    record.usbVendor = static_cast<uint16_t>(vendor);
    record.usbProduct = static_cast<uint16_t>(product);
  }
  return record;
}

}  // namespace

std::vector<PortRecord> ListSerialPorts() {
  std::vector<PortRecord> records;
  sp_port** ports = nullptr;
  if (sp_list_ports(&ports) != SP_OK) return records;
  for (sp_port** port = ports; *port != nullptr; ++port) records.push_back(Describe(*port));
  sp_free_port_list(ports);
  return records;
}

std::string FormatPort(const PortRecord& port) {
  std::string usb = "-";
  if (port.usbVendor && port.usbProduct) {
    char text[10];
    std::snprintf(text, sizeof text, "%04x:%04x", *port.usbVendor, *port.usbProduct);
    usb = text;
  }
  return OrDash(port.path) + '\t' + OrDash(port.byIdName) + '\t' + usb + '\t' +
         OrDash(port.description);
}

int Ports() {
  const std::vector<PortRecord> ports = ListSerialPorts();
  if (ports.empty()) SayError("no serial ports found");
  for (const PortRecord& port : ports) std::printf("%s\n", FormatPort(port).c_str());
  return kExitOk;
}

}  // namespace veltrane::cli
