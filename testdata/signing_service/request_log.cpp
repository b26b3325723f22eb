#include "request_log.h"

namespace signing_service {
namespace {

std::string Escape(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      escaped += hex;
    } else {
      escaped.push_back(static_cast<char>(c));
    }
  }
  return escaped;
}

}  // namespace

RequestLog::RequestLog(const std::string& path) : m_file(std::fopen(path.c_str(), "a")) {}

RequestLog::~RequestLog() {
  if (m_file) std::fclose(m_file);
}

void RequestLog::Record(const httplib::Request& request) { Write(request, true); }

void RequestLog::RecordArrival(const httplib::Request& request) { Write(request, false); }

void RequestLog::Write(const httplib::Request& request, bool withBody) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_file) return;
  std::string target = request.target.empty() ? request.path : request.target;
  std::fprintf(m_file, "request %lu %s %s peer-port %d\n", ++m_count, Escape(request.method).c_str(),
               Escape(target).c_str(), request.remote_port);
  for (const auto& header : request.headers) {
    // The library adds the two addresses as headers of its own; it is not part of the request.
    if (header.first == "REMOTE_ADDR" || header.first == "REMOTE_PORT" || header.first == "LOCAL_ADDR" ||
        header.first == "LOCAL_PORT") {
      continue;
    }
    std::fprintf(m_file, "header %s: %s\n", Escape(header.first).c_str(), Escape(header.second).c_str());
  }
  if (withBody) {
    std::fprintf(m_file, "body-length %zu\nbody %s\n", request.body.size(), Escape(request.body).c_str());
  }
  std::fprintf(m_file, "end\n");
  std::fflush(m_file);
}

}  // namespace signing_service
