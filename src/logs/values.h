#pragma once
// Tagged values: the argument lists of the log's ValuesToText and of LangFormat. Each
// value keeps its kind so that the text of a value follows its kind (a boolean reads
// "true", a pointer eight hexadecimal digits, an object its class name).
#include <cstdint>
#include <string>
#include <vector>

struct TValue {
  enum class Kind { Integer, Int64, Boolean, Char, Float, ShortString, String, CString, Pointer, Object, Class, Other };

  Kind kind = Kind::Other;
  std::int64_t i = 0;     // Integer, Int64, Boolean (0 / 1), Char (byte), Pointer (address)
  double f = 0.0;         // Float
  std::string s;          // texts; the class name of Object and Class

  TValue() = default;
  TValue(int v) : kind(Kind::Integer), i(v) {}
  TValue(unsigned v) : kind(Kind::Integer), i(v) {}
  TValue(long v) : kind(Kind::Int64), i(v) {}
  TValue(long long v) : kind(Kind::Int64), i(v) {}
  TValue(bool v) : kind(Kind::Boolean), i(v ? 1 : 0) {}
  TValue(char v) : kind(Kind::Char), i(static_cast<unsigned char>(v)) {}
  TValue(double v) : kind(Kind::Float), f(v) {}
  TValue(const std::string& v) : kind(Kind::String), s(v) {}
  TValue(std::string&& v) : kind(Kind::String), s(std::move(v)) {}
  TValue(const char* v) : kind(Kind::CString), s(v ? v : "") {}
  TValue(const void* p) : kind(Kind::Pointer), i(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(p))) {}

  static TValue shortString(const std::string& v) { TValue t(v); t.kind = Kind::ShortString; return t; }
  static TValue object(const std::string& className) { TValue t(className); t.kind = Kind::Object; return t; }
  static TValue classRef(const std::string& className) { TValue t(className); t.kind = Kind::Class; return t; }
  static TValue pointer(std::uint64_t address) { TValue t; t.kind = Kind::Pointer; t.i = static_cast<std::int64_t>(address); return t; }
};

using TValues = std::vector<TValue>;

// The text of one value: integers in decimal, booleans "false" / "true", a character as
// itself, floating-point numbers in general form with up to 15 significant digits and the
// user's decimal separator, texts as they are, a pointer as 8 upper-case hexadecimal
// digits (its low 32 bits), an object or class as its class name, anything else empty.
std::string ValueToText(const TValue& v);

// The user's decimal separator, taken from the user's locale settings (never from the
// process locale, which stays "C" for numbers).
char DecimalSeparator();
// Tests and the settings may pin the separator; 0 returns to the user's locale.
void SetDecimalSeparator(char sep);

// Format a floating-point number in general form with up to `digits` significant digits
// and the user's decimal separator.
std::string FloatToText(double v, int digits = 15);
