// SPDX-License-Identifier: MIT
#include "server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>
#include <variant>

#include "access.h"
#include "common/status_text.h"
#include "fleet.h"
#include "folder.h"
#include "format/packets.h"
#include "image/png.h"
#include "page_files.h"
#include "platform/ipv4.h"
#include "platform/tools/font_families.h"
#include "ports.h"
#include "previews.h"
#include "requests.h"
#include "run_board.h"
#include "shared/fleet_file.h"
#include "shared/input_file.h"
#include "shared/output_file.h"
#include "shared/refusal.h"

namespace veltrane::studio {
namespace {

namespace fs = std::filesystem;
using httplib::Request;
using httplib::Response;
using nlohmann::json;

// The largest body any request has: a picture.
constexpr size_t kMaxBodyBytes = image::kMaxPngFileBytes;
// Where the page's own token goes in its HTML.
constexpr std::string_view kTokenPlaceholder = "@VELTRANE_TOKEN@";
// An idle connection is closed after this long, so that an idle studio has no connection whose
// keep-alive wait the server library polls.
constexpr time_t kKeepAliveSeconds = 2;
constexpr size_t kKeepAliveRequests = 1000;

constexpr int kBadRequest = 400;
constexpr int kForbidden = 403;
constexpr int kNotFound = 404;
constexpr int kConflict = 409;
constexpr int kLengthRequired = 411;
constexpr int kTooLarge = 413;
constexpr int kUnprocessable = 422;

std::string Base64(const std::vector<uint8_t>& bytes) {
  constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = std::min<size_t>(3, bytes.size() - i);
    uint32_t word = uint32_t{bytes[i]} << 16;
    if (left > 1) word |= uint32_t{bytes[i + 1]} << 8;
    if (left > 2) word |= bytes[i + 2];
    for (size_t d = 0; d < 4; ++d) text += d <= left ? kDigits[(word >> (18 - 6 * d)) & 0x3F] : '=';
  }
  return text;
}

// The server library compresses an answer of the bare JSON type for a browser that takes
// brotli, at brotli's slowest setting: on the studio's own machine that costs a preview several
// times what drawing it does. With its character set named the type is the same to the browser,
// and the answer goes out as it is.
constexpr const char* kJsonType = "application/json; charset=utf-8";

void SendJson(Response& res, const json& document, int status = 200) {
  res.status = status;
  res.set_content(document.dump(-1, ' ', false, json::error_handler_t::replace), kJsonType);
}

void SendError(Response& res, int status, const std::string& sentence) {
  SendJson(res, {{"error", sentence}}, status);
}

// The sentence for a failure the server library decided before any handler ran.
std::string StatusSentence(int status) {
  switch (status) {
    case kTooLarge:
      return "the request has more than the " + std::to_string(kMaxBodyBytes) +
             " bytes the studio takes";
    case kNotFound:
      return "the studio has no such page";
    default:
      return "the request could not be read";
  }
}

json PictureJson(const Picture& picture) {
  return {{"png", Base64(picture.png)}, {"width", picture.width}, {"height", picture.height}};
}

// The page says how a screen's part ended in the command's words, but in a sentence a silent
// screen "did not answer".
std::string ResultWord(const ScreenOutcome& outcome) {
  return outcome.status == Status::Timeout ? "did not answer" : cli::ResultWord(outcome.status);
}

json RowJson(const ScreenRow& row) {
  json screen = {
      {"name", row.name}, {"where", row.where}, {"done", row.done}, {"total", row.total}};
  if (!row.outcome) return screen;
  const ScreenOutcome& outcome = *row.outcome;
  screen["result"] = ResultWord(outcome);
  screen["error"] = outcome.why;
  screen["ms"] = outcome.ms;
  screen["bytes"] = outcome.bytes;
  if (outcome.power) screen["power"] = *outcome.power;
  if (outcome.brightness) screen["brightness"] = *outcome.brightness;
  return screen;
}

json SnapshotJson(const RunSnapshot& snapshot) {
  json screens = json::array();
  for (const ScreenRow& row : snapshot.rows) screens.push_back(RowJson(row));
  return {{"version", snapshot.version},
          {"running", snapshot.running},
          {"action", snapshot.action},
          {"screens", screens}};
}

ScreenJob::Kind JobKind(RunAction action) {
  switch (action) {
    case RunAction::Send:
      return ScreenJob::Send;
    case RunAction::PowerOn:
      return ScreenJob::PowerOn;
    case RunAction::PowerOff:
      return ScreenJob::PowerOff;
    case RunAction::Brightness:
      return ScreenJob::SetBrightness;
    case RunAction::Clock:
      return ScreenJob::SetClock;
    case RunAction::Status:
      break;
  }
  return ScreenJob::ReadStatus;
}

}  // namespace

struct StudioServer::Parts {
  Parts(const fs::path& root, std::string key) : folder(root), token(std::move(key)) {}

  StudioFolder folder;
  std::string token;
  httplib::Server http;
  RunBoard runs;
  std::thread thread;  // serving
  std::atomic<bool> serving{false};

  void Route();
  httplib::Server::HandlerResponse Admit(const Request& req, Response& res) const;

  void Index(Response& res) const;
  void PageFile(const Request& req, Response& res) const;
  void Fonts(Response& res) const;
  void Files(Response& res) const;
  void Ports(Response& res) const;
  void OpenProgram(const Request& req, Response& res) const;
  void SaveProgram(const Request& req, Response& res) const;
  void UploadPicture(const Request& req, Response& res) const;
  void PreviewProgram(const Request& req, Response& res) const;
  void ExportProgram(const Request& req, Response& res) const;
  void StartRun(const Request& req, Response& res);
  void RunEvents(Response& res);

  // The file a request's "path" names inside the folder, with one of `extensions`; else the
  // refusal is sent and nothing is given.
  std::optional<fs::path> NamedFile(const std::string& relative, const char* extension,
                                    Response& res) const;
  Result<std::vector<ScreenTarget>> ScreensOf(const RunRequest& request) const;
};

void StudioServer::Parts::Route() {
  http.set_payload_max_length(kMaxBodyBytes);
  http.set_keep_alive_timeout(kKeepAliveSeconds);
  http.set_keep_alive_max_count(kKeepAliveRequests);
  // An answer goes out in two writes, headers and body: the second must not wait for the
  // browser's delayed acknowledgement of the first.
  http.set_tcp_nodelay(true);
  http.set_pre_routing_handler(
      [this](const Request& req, Response& res) { return Admit(req, res); });
  http.set_error_handler([](const Request&, Response& res) {
    if (res.body.empty()) SendError(res, res.status, StatusSentence(res.status));
  });
  http.set_exception_handler([](const Request&, Response& res, std::exception_ptr) {
    SendError(res, 500, "the studio failed to answer the request");
  });
  http.Get("/", [this](const Request&, Response& res) { Index(res); });
  http.Get(R"(/page/([a-z0-9_.-]+))",
           [this](const Request& req, Response& res) { PageFile(req, res); });
  http.Get("/api/fonts", [this](const Request&, Response& res) { Fonts(res); });
  http.Get("/api/files", [this](const Request&, Response& res) { Files(res); });
  http.Get("/api/ports", [this](const Request&, Response& res) { Ports(res); });
  http.Get("/api/file", [this](const Request& req, Response& res) { OpenProgram(req, res); });
  http.Put("/api/file", [this](const Request& req, Response& res) { SaveProgram(req, res); });
  http.Post("/api/pictures",
            [this](const Request& req, Response& res) { UploadPicture(req, res); });
  http.Post("/api/preview",
            [this](const Request& req, Response& res) { PreviewProgram(req, res); });
  http.Post("/api/export", [this](const Request& req, Response& res) { ExportProgram(req, res); });
  http.Post("/api/runs", [this](const Request& req, Response& res) { StartRun(req, res); });
  http.Get("/api/runs/events", [this](const Request&, Response& res) { RunEvents(res); });
  http.Post("/api/runs/cancel", [this](const Request&, Response& res) {
    runs.Cancel();
    res.status = 204;
  });
}

// Decided before the body is read: the address with the token sets the cookie; anything else
// needs the cookie, and a request that changes state the header too.
httplib::Server::HandlerResponse StudioServer::Parts::Admit(const Request& req,
                                                            Response& res) const {
  using Handled = httplib::Server::HandlerResponse;
  res.set_header("Cache-Control", "no-store");
  if (req.path == "/" && req.has_param(std::string(kTokenQuery))) {
    if (!SameToken(req.get_param_value(std::string(kTokenQuery)), token)) {
      SendError(res, kForbidden, "the address's token is not this studio's");
      return Handled::Handled;
    }
    res.set_header("Set-Cookie", TokenCookie(token));
    res.set_redirect("/", 303);
    return Handled::Handled;
  }
  const bool readOnly = req.method == "GET" || req.method == "HEAD";
  const std::string cookies = req.get_header_value("Cookie");
  const std::string header = req.get_header_value(std::string(kTokenHeader));
  switch (Judge({!readOnly, cookies, header}, token)) {
    case Verdict::NoCookie:
      SendError(res, kForbidden,
                "open the studio at the address it printed when it started, token and all");
      return Handled::Handled;
    case Verdict::NoHeader:
      SendError(res, kForbidden, "the request does not carry the studio's token");
      return Handled::Handled;
    case Verdict::Allowed:
      break;
  }
  if (req.get_header_value("Transfer-Encoding").find("chunked") != std::string::npos) {
    SendError(res, kLengthRequired, "the request must say its length");
    return Handled::Handled;
  }
  return Handled::Unhandled;
}

void StudioServer::Parts::Index(Response& res) const {
  const studio::PageFile* page = FindPageFile("index.html");
  std::string html(page->bytes);
  if (const size_t at = html.find(kTokenPlaceholder); at != std::string::npos)
    html.replace(at, kTokenPlaceholder.size(), token);
  res.set_content(html, std::string(page->type));
}

void StudioServer::Parts::PageFile(const Request& req, Response& res) const {
  const studio::PageFile* file = FindPageFile(req.matches[1].str());
  if (file == nullptr || file->path == "index.html") {
    SendError(res, kNotFound, StatusSentence(kNotFound));
    return;
  }
  res.set_content(std::string(file->bytes), std::string(file->type));
}

void StudioServer::Parts::Fonts(Response& res) const {
  SendJson(res, {{"families", platform::InstalledFamilies()}});
}

void StudioServer::Parts::Files(Response& res) const {
  SendJson(res, {{"folder", folder.root().string()},
                 {"programs", folder.List({".json"})},
                 {"pictures", folder.List({".png"})},
                 {"fleets", folder.List({".txt", ".fleet"})}});
}

void StudioServer::Parts::Ports(Response& res) const {
  json ports = json::array();
  for (const cli::PortRecord& port : cli::ListSerialPorts())
    ports.push_back({{"path", port.path}, {"description", port.description}});
  SendJson(res, {{"ports", ports}});
}

std::optional<fs::path> StudioServer::Parts::NamedFile(const std::string& relative,
                                                       const char* extension, Response& res) const {
  auto resolved = folder.Resolve(relative);
  if (!resolved) {
    SendError(res, kForbidden, StatusText(resolved.error()));
    return std::nullopt;
  }
  const fs::path& file = *resolved;
  if (file.extension() != extension) {
    SendError(res, kBadRequest, "\"" + relative + "\" is not a " + extension + " file");
    return std::nullopt;
  }
  return file;
}

void StudioServer::Parts::OpenProgram(const Request& req, Response& res) const {
  const std::string relative = req.get_param_value("path");
  const auto file = NamedFile(relative, ".json", res);
  if (!file) return;
  auto read = tools::ReadBoundedInput(*file, {"a program file", cli::kMaxProgramFileBytes});
  if (!read) {
    SendError(res, kUnprocessable, StatusText(read.error()));
    return;
  }
  const std::vector<uint8_t>& bytes = *read;
  const std::string text(bytes.begin(), bytes.end());
  const auto parsed = cli::ParseProgramFile(text, file->parent_path(), relative);
  if (!parsed) {
    SendError(res, kUnprocessable, StatusText(parsed.error()));
    return;
  }
  SendJson(res, {{"path", relative}, {"text", text}});
}

void StudioServer::Parts::SaveProgram(const Request& req, Response& res) const {
  const std::string relative = req.get_param_value("path");
  const auto file = NamedFile(relative, ".json", res);
  if (!file) return;
  // What is saved is what `veltrane send` will read: it must read, with its pictures inside.
  auto built = BuildPageProgram(folder, {req.body, relative});
  if (!built) {
    SendError(res, kUnprocessable, StatusText(built.error()));
    return;
  }
  const std::vector<uint8_t> bytes(req.body.begin(), req.body.end());
  if (const std::string error = tools::WriteOutputFile(*file, bytes); !error.empty()) {
    SendError(res, kUnprocessable, error);
    return;
  }
  SendJson(res, {{"path", relative}, {"bytes", bytes.size()}});
}

void StudioServer::Parts::UploadPicture(const Request& req, Response& res) const {
  const std::string relative = req.get_param_value("path");
  const auto file = NamedFile(relative, ".png", res);
  if (!file) return;
  const std::vector<uint8_t> bytes(req.body.begin(), req.body.end());
  const auto decoded = image::ReadPng(bytes);
  if (!decoded) {
    SendError(res, kUnprocessable,
              std::string("the picture cannot be used: ") + decoded.error().reason());
    return;
  }
  if (const std::string error = tools::WriteOutputFile(*file, bytes); !error.empty()) {
    SendError(res, kUnprocessable, error);
    return;
  }
  const image::RgbImage& picture = *decoded;
  SendJson(res, {{"path", relative}, {"width", picture.width}, {"height", picture.height}});
}

void StudioServer::Parts::PreviewProgram(const Request& req, Response& res) const {
  auto request = ReadPreviewRequest(req.body);
  if (!request) {
    SendError(res, kBadRequest, StatusText(request.error()));
    return;
  }
  const PreviewRequest& ask = *request;
  auto built = BuildPageProgram(folder, ask.program);
  if (!built) {
    SendError(res, kUnprocessable, StatusText(built.error()));
    return;
  }
  auto preview = PreviewOf(**built, ask.preview);
  if (!preview) {
    SendError(res, kUnprocessable, StatusText(preview.error()));
    return;
  }
  const Preview& shown = *preview;
  const json document = {{"bytes", shown.bytes},
                         {"limit", format::kMaxProgramBytes},
                         {"pages", shown.pages},
                         {"warnings", shown.warnings},
                         {"picture", PictureJson(shown.picture)}};
  SendJson(res, document);
}

void StudioServer::Parts::ExportProgram(const Request& req, Response& res) const {
  auto request = ReadPreviewRequest(req.body);
  if (!request) {
    SendError(res, kBadRequest, StatusText(request.error()));
    return;
  }
  const PreviewRequest& ask = *request;
  const bool picture = fs::path(ask.to).extension() == ".png";
  const auto file = NamedFile(ask.to, picture ? ".png" : ".bin", res);
  if (!file) return;
  auto built = BuildPageProgram(folder, ask.program);
  if (!built) {
    SendError(res, kUnprocessable, StatusText(built.error()));
    return;
  }
  const BuiltProgram& program = **built;
  std::vector<uint8_t> bytes = program.block;
  if (picture) {
    auto drawn = PictureOf(program, ask.preview, image::PngEffort::Small);
    if (!drawn) {
      SendError(res, kUnprocessable, StatusText(drawn.error()));
      return;
    }
    bytes = std::move(drawn->png);
  }
  if (const std::string error = tools::WriteOutputFile(*file, bytes); !error.empty()) {
    SendError(res, kUnprocessable, error);
    return;
  }
  SendJson(res, {{"path", ask.to}, {"bytes", bytes.size()}});
}

Result<std::vector<ScreenTarget>> StudioServer::Parts::ScreensOf(const RunRequest& request) const {
  if (!request.fleet.empty()) {
    auto file = folder.Resolve(request.fleet);
    if (!file) return Failure(file.error());
    return cli::LoadFleet(*file);
  }
  // One screen is named as a fleet file's line names it.
  auto read = tools::ReadFleetLine(request.screen, platform::ResolveIpv4);
  if (!read)
    return tools::Refusal("the screen \"" + request.screen + "\": " + StatusText(read.error()));
  if (!*read) return tools::Refusal("name one screen");
  return std::vector<ScreenTarget>{**std::move(read)};
}

void StudioServer::Parts::StartRun(const Request& req, Response& res) {
  auto request = ReadRunRequest(req.body);
  if (!request) {
    SendError(res, kBadRequest, StatusText(request.error()));
    return;
  }
  const RunRequest& ask = *request;
  auto screens = ScreensOf(ask);
  if (!screens) {
    SendError(res, kUnprocessable, StatusText(screens.error()));
    return;
  }
  ScreenJob job{JobKind(ask.action), {}, ask.brightness};
  if (ask.action == RunAction::Send) {
    auto built = BuildPageProgram(folder, ask.program);
    if (!built) {
      SendError(res, kUnprocessable, StatusText(built.error()));
      return;
    }
    job.program = (*built)->block;
  }
  std::vector<ScreenTarget>& targets = *screens;
  json list = json::array();
  for (const ScreenTarget& screen : targets)
    list.push_back({{"name", screen.name}, {"where", screen.where}});
  if (!runs.Start(std::move(targets), std::move(job), std::string(ActionName(ask.action)))) {
    SendError(res, kConflict, "a run is still going; wait for it or cancel it");
    return;
  }
  SendJson(res, {{"screens", list}}, 202);
}

// The run's board as server-sent events: one when the stream opens, then one each time the run
// changes, until it has ended. The stream's thread sleeps on the board between changes.
void StudioServer::Parts::RunEvents(Response& res) {
  // No board has this version, so the first event goes out at once.
  auto seen = std::make_shared<uint64_t>(UINT64_MAX);
  res.set_chunked_content_provider(
      "text/event-stream", [this, seen](size_t, httplib::DataSink& sink) {
        const std::optional<RunSnapshot> changed = runs.WaitForChange(*seen);
        if (!changed) return false;  // the studio is stopping
        const RunSnapshot& snapshot = *changed;
        *seen = snapshot.version;
        const std::string event =
            "data: " + SnapshotJson(snapshot).dump(-1, ' ', false, json::error_handler_t::replace) +
            "\n\n";
        if (!sink.is_writable() || !sink.write(event.data(), event.size())) return false;
        if (!snapshot.running) sink.done();
        return true;
      });
}

StudioServer::StudioServer(const fs::path& folder, std::string token)
    : parts_(std::make_unique<Parts>(folder, std::move(token))) {
  parts_->Route();
}

StudioServer::~StudioServer() { Stop(); }

std::optional<int> StudioServer::Bind(const std::string& address, int port) {
  if (port == 0) {
    const int bound = parts_->http.bind_to_any_port(address);
    return bound > 0 ? std::optional(bound) : std::nullopt;
  }
  return parts_->http.bind_to_port(address, port) ? std::optional(port) : std::nullopt;
}

void StudioServer::Start() {
  parts_->serving = true;
  parts_->thread = std::thread([this] {
    parts_->http.listen_after_bind();
    parts_->serving = false;
  });
}

void StudioServer::Stop() {
  parts_->runs.Close();
  // A stop before the server library has begun to listen would be missed: wait for that first.
  while (parts_->serving && !parts_->http.is_running())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  parts_->http.stop();
  if (parts_->thread.joinable()) parts_->thread.join();
}

}  // namespace veltrane::studio
