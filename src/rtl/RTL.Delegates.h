#pragma once
// Delegates: an object and one of its methods, with identity. Events are delegate members:
//
//   TNotifyEvent OnClick;
//   button->OnClick = {this, &TMainForm::ButtonClick};   // bind
//   if (OnClick) OnClick(this);                           // test for assigned and call
//   OnClick = nullptr;                                    // clear
//
// Two delegates are equal when they name the same method of the same object, so handlers can be
// removed from listener lists by equality; SameCode compares the method half alone. Parameters
// may be references (`bool& Handled`). A delegate may also name a plain function with an
// optional data pointer (then the data pointer is its object half).
//
// TMethod is the untyped view of any delegate, used by method-kind properties.
// Closures without identity (anonymous methods) are TProc<...> and TFunc<...>.

#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>

namespace detail {
template <class Sig>
struct TDelegateSignatureKey {
  static constexpr char Key = 0;
};
[[noreturn]] void RaiseUnassignedDelegate();
[[noreturn]] void RaiseDelegateSignatureMismatch();
}  // namespace detail

// The method half of a delegate: the typed call stub, the bound member function or function,
// and the signature it was made for. Comparable; all zero when unassigned.
struct TMethodCode {
  void (*Stub)() = nullptr;
  const void* Signature = nullptr;
  alignas(void*) unsigned char Target[2 * sizeof(void*)] = {};

  bool IsEmpty() const { return Stub == nullptr; }
  friend bool operator==(const TMethodCode& A, const TMethodCode& B) {
    return A.Stub == B.Stub && A.Signature == B.Signature && std::memcmp(A.Target, B.Target, sizeof A.Target) == 0;
  }
};

// (Code, Data): the untyped delegate.
struct TMethod {
  TMethodCode Code;
  void* Data = nullptr;

  bool Assigned() const { return !Code.IsEmpty(); }
  friend bool operator==(const TMethod& A, const TMethod& B) { return A.Code == B.Code && A.Data == B.Data; }
};

template <class Sig>
class TDelegate;

template <class R, class... A>
class TDelegate<R(A...)> {
 public:
  using TSignature = R(A...);

  TDelegate() = default;
  TDelegate(std::nullptr_t) {}

  // A method of an object: {this, &TMyClass::Handler}. Obj may be of a class derived from the
  // method's class. The method's parameters need only accept the delegate's arguments.
  template <class O, class C, class M>
  // clang-format off
    requires std::is_function_v<M> && std::is_convertible_v<O*, C*>
  TDelegate(O* Obj, M C::*Method) {
    // clang-format on
    using TMemberPtr = M C::*;
    static_assert(sizeof(TMemberPtr) <= sizeof(TMethodCode::Target), "member function pointer too large");
    if (!Obj || !Method) return;
    FMethod.Data = static_cast<void*>(static_cast<C*>(Obj));
    std::memcpy(FMethod.Code.Target, &Method, sizeof(TMemberPtr));
    SetStub(&MemberStub<C, TMemberPtr>);
  }

  // A plain function (or a lambda without captures).
  TDelegate(R (*Function)(A...)) {
    if (!Function) return;
    std::memcpy(FMethod.Code.Target, &Function, sizeof Function);
    SetStub(&FunctionStub);
  }

  template <class F>
  // clang-format off
    requires(!std::is_same_v<std::decay_t<F>, TDelegate> && !std::is_pointer_v<std::decay_t<F>> &&
             std::is_convertible_v<F, R (*)(A...)>)
  TDelegate(F Lambda) : TDelegate(static_cast<R (*)(A...)>(Lambda)) {}
  // clang-format on

  // A plain function that takes a data pointer first; the data pointer is the object half.
  template <class D>
  TDelegate(D* Data, R (*Function)(D*, A...)) {
    if (!Function) return;
    FMethod.Data = const_cast<void*>(static_cast<const void*>(Data));
    std::memcpy(FMethod.Code.Target, &Function, sizeof Function);
    SetStub(&DataFunctionStub<D>);
  }

  // From the untyped view; raises EInvalidCast when it was made for another signature.
  static TDelegate FromMethod(const TMethod& Method) {
    TDelegate result;
    if (!Method.Assigned()) return result;
    if (Method.Code.Signature != &detail::TDelegateSignatureKey<TSignature>::Key)
      detail::RaiseDelegateSignatureMismatch();
    result.FMethod = Method;
    return result;
  }
  const TMethod& AsMethod() const { return FMethod; }

  bool Assigned() const { return FMethod.Assigned(); }
  explicit operator bool() const { return Assigned(); }
  void* GetData() const { return FMethod.Data; }
  const TMethodCode& GetCode() const { return FMethod.Code; }

  // Calling an unassigned delegate raises EInvalidOperation.
  R operator()(A... Args) const {
    if (!FMethod.Code.Stub) detail::RaiseUnassignedDelegate();
    return reinterpret_cast<TStub>(FMethod.Code.Stub)(FMethod, std::forward<A>(Args)...);
  }

  friend bool operator==(const TDelegate& X, const TDelegate& Y) { return X.FMethod == Y.FMethod; }
  friend bool operator==(const TDelegate& X, std::nullptr_t) { return !X.Assigned(); }
  // The same method, whichever object.
  friend bool SameCode(const TDelegate& X, const TDelegate& Y) { return X.FMethod.Code == Y.FMethod.Code; }

 private:
  using TStub = R (*)(const TMethod&, A...);

  void SetStub(TStub Stub) {
    FMethod.Code.Stub = reinterpret_cast<void (*)()>(Stub);
    FMethod.Code.Signature = &detail::TDelegateSignatureKey<TSignature>::Key;
  }

  template <class C, class MP>
  static R MemberStub(const TMethod& M, A... Args) {
    MP method;
    std::memcpy(&method, M.Code.Target, sizeof method);
    return (static_cast<C*>(M.Data)->*method)(std::forward<A>(Args)...);
  }
  static R FunctionStub(const TMethod& M, A... Args) {
    R (*function)(A...);
    std::memcpy(&function, M.Code.Target, sizeof function);
    return function(std::forward<A>(Args)...);
  }
  template <class D>
  static R DataFunctionStub(const TMethod& M, A... Args) {
    R (*function)(D*, A...);
    std::memcpy(&function, M.Code.Target, sizeof function);
    return function(static_cast<D*>(M.Data), std::forward<A>(Args)...);
  }

  TMethod FMethod;
};

class TObject;
using TNotifyEvent = TDelegate<void(TObject* Sender)>;

// Closures without identity, for anonymous methods: TProc<> is a procedure without arguments,
// TProc<Integer> one that takes an Integer, TFunc<Boolean, String> a function of a String.
template <class... A>
using TProc = std::function<void(A...)>;
template <class R, class... A>
using TFunc = std::function<R(A...)>;
