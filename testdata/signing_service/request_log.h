// The record of every request the service received, for the tests to read. One block a request:
//   request <n> <method> <target> peer-port <port>
//   header <name>: <value>      (one line each)
//   body-length <n>
//   body <body, with \\ \r \n and other control bytes escaped>
//   end
// A request whose body never arrived is not recorded: an empty log means no traffic. A log of
// arrivals records each request as soon as its headers are in, without a body: it shows what a
// client sent even when it went away before the body.
#ifndef LUMA_TESTDATA_SIGNING_SERVICE_REQUEST_LOG_H_
#define LUMA_TESTDATA_SIGNING_SERVICE_REQUEST_LOG_H_

#include <httplib.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace signing_service {

class RequestLog {
 public:
  explicit RequestLog(const std::string& path);
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  bool IsOpen() const { return m_file != nullptr; }
  // Appends and flushes one block, so that it is on disk before the answer leaves.
  void Record(const httplib::Request& request);
  // The same block without the body lines, for the log of arrivals.
  void RecordArrival(const httplib::Request& request);

 private:
  void Write(const httplib::Request& request, bool withBody);

  std::mutex m_lock;
  std::FILE* m_file = nullptr;
  unsigned long m_count = 0;
};

}  // namespace signing_service

#endif  // LUMA_TESTDATA_SIGNING_SERVICE_REQUEST_LOG_H_
