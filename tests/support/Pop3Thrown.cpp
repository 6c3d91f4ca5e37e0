#include "Pop3Thrown.h"

#include "pop3/Pop3Exception.h"

std::string Thrown(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const CPop3Exception& e) {
    return std::to_string(e.code) + " " + e.message + " / " + e.detail;
  }
  return "nothing thrown";
}
