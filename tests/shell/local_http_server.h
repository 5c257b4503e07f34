// A small HTTP server on 127.0.0.1 inside the test process (Winsock, one
// thread): answers every request with the status and body it is given,
// accepts and never answers, or streams a body that never ends. It records
// each request it received.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm::shell::testing {

class LocalHttpServer {
 public:
  enum class Mode { Answer, NeverAnswer, StreamForever };

  LocalHttpServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    int len = sizeof(addr);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(listener_, 8);
    thread_ = std::thread([this] { Run(); });
  }
  ~LocalHttpServer() {
    stop_ = true;
    thread_.join();
    closesocket(listener_);
    WSACleanup();
  }
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  void Respond(int status, std::string body) {
    std::lock_guard<std::mutex> lock(mutex_);
    mode_ = Mode::Answer;
    status_ = status;
    body_ = std::move(body);
  }
  void NeverAnswer() {
    std::lock_guard<std::mutex> lock(mutex_);
    mode_ = Mode::NeverAnswer;
  }
  // Answers 200 with a body of `piece` sent again and again, `pause_ms`
  // apart, until the client goes away or the server stops.
  void StreamForever(std::string piece, DWORD pause_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    mode_ = Mode::StreamForever;
    body_ = std::move(piece);
    pause_ms_ = pause_ms;
  }
  // How many endless streams ended because the client closed its end.
  [[nodiscard]] int StreamsDropped() const { return streams_dropped_; }
  [[nodiscard]] std::string Url(const std::string& path = "/ad.txt") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  [[nodiscard]] std::vector<std::string> Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void Run() {
    while (!stop_) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(listener_, &set);
      timeval tv{0, 50000};
      if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
      SOCKET s = accept(listener_, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      Serve(s);
      closesocket(s);
    }
  }

  void Serve(SOCKET s) {
    std::string request;
    char buf[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
      if (!WaitReadable(s)) return;
      const int n = recv(s, buf, sizeof(buf), 0);
      if (n <= 0) return;
      request.append(buf, n);
    }
    Mode mode;
    std::string response;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
      mode = mode_;
      response = "HTTP/1.1 " + std::to_string(status_) + (status_ == 200 ? " OK" : " Not Found") +
                 "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body_.size()) +
                 "\r\nConnection: close\r\n\r\n" + body_;
    }
    if (mode == Mode::StreamForever) {
      Stream(s);
      return;
    }
    if (mode == Mode::NeverAnswer) {
      // Hold the connection open and silent until the client gives up.
      while (!stop_ && WaitReadable(s)) {
        if (recv(s, buf, sizeof(buf), 0) <= 0) return;
      }
      return;
    }
    // In small pieces, so that the client's reads meet split data.
    for (std::size_t at = 0; at < response.size(); at += 700) {
      const int n = static_cast<int>(std::min<std::size_t>(700, response.size() - at));
      if (send(s, response.data() + at, n, 0) != n) return;
      Sleep(2);
    }
    shutdown(s, SD_SEND);
  }

  void Stream(SOCKET s) {
    std::string piece;
    DWORD pause_ms = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      piece = body_;
      pause_ms = pause_ms_;
    }
    const std::string head =
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n";
    if (send(s, head.data(), static_cast<int>(head.size()), 0) <= 0) return;
    while (!stop_) {
      if (send(s, piece.data(), static_cast<int>(piece.size()), 0) <= 0) {
        ++streams_dropped_;
        return;
      }
      if (pause_ms != 0) Sleep(pause_ms);
    }
  }

  // Waits until `s` has data, or the server stops; false when stopping.
  bool WaitReadable(SOCKET s) {
    while (!stop_) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      timeval tv{0, 50000};
      if (select(0, &set, nullptr, nullptr, &tv) > 0) return true;
    }
    return false;
  }

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  Mode mode_ = Mode::Answer;
  int status_ = 200;
  std::string body_;
  DWORD pause_ms_ = 0;
  std::atomic<int> streams_dropped_{0};
  std::vector<std::string> requests_;
};

}  // namespace qm::shell::testing
