// The exception hierarchy of the whole system. Every failure is an exception
// carrying its message text; there are no error codes.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace platform {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// A failure reported by the platform layer itself (a bad handle, no memory).
class EOSError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside an owning list.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace platform

// The named error classes of the subsystems.
class EZivuderoError : public platform::Exception {
 public:
  using Exception::Exception;
};

class BarCodeException : public platform::Exception {
 public:
  using Exception::Exception;
};

class EPNGImageException : public platform::Exception {
 public:
  EPNGImageException(int32_t id, std::string message) : Exception(std::move(message)), id_(id) {}
  int32_t Id() const noexcept { return id_; }

 private:
  int32_t id_;
};

class ETiffError : public platform::Exception {
 public:
  using Exception::Exception;
};

class EJpegError : public platform::Exception {
 public:
  using Exception::Exception;
};

class EInvalidGraphic : public platform::Exception {
 public:
  using Exception::Exception;
};

class ERubberbandError : public platform::Exception {
 public:
  using Exception::Exception;
};
