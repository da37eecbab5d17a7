// The framework's exception classes. Components raise them only with fixed texts.
#pragma once

#include <stdexcept>
#include <string>

namespace zu {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& Msg) : std::runtime_error(Msg) {}
  std::string Message() const { return what(); }
};

class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EConvertError : public Exception { using Exception::Exception; };
class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidOperation : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EOSError : public Exception { using Exception::Exception; };

}  // namespace zu
