#pragma once
// Everything with a native peer (widgets, images) is made by tk::make and
// held through shared_ptr: the toolkit keeps its own reference until the
// object is disposed, and a holder may keep a disposed object to ask
// isDisposed().
//
//     auto shell = tk::make<tk::Shell>(display, tk::DIALOG_TRIM);
//     auto ok = tk::make<tk::Button>(shell, tk::PUSH);   // parent as pointer or shared_ptr

#include <memory>
#include <type_traits>
#include <utility>

namespace tk {

template <class T, class... A>
std::shared_ptr<T> make(A&&... args);

namespace detail {
template <class X>
struct IsSharedPtr : std::false_type {};
template <class X>
struct IsSharedPtr<std::shared_ptr<X>> : std::true_type {};

template <class X>
decltype(auto) raw(X&& x) {
    if constexpr (IsSharedPtr<std::remove_cvref_t<X>>::value) {
        return x.get();
    } else {
        return std::forward<X>(x);
    }
}
}  // namespace detail

class Made {
public:
    // Only tk::make can produce a token, so constructors cannot be called
    // around it.
    class Token {
        Token() = default;
        template <class T, class... A>
        friend std::shared_ptr<T> make(A&&... args);
    };
    virtual ~Made() = default;

protected:
    Made() = default;
    // Second construction step, once the object is owned by a shared_ptr:
    // makes the peer and registers the object with its owner.
    virtual void attach() = 0;

    template <class T, class... A>
    friend std::shared_ptr<T> make(A&&... args);
};

template <class T, class... A>
std::shared_ptr<T> make(A&&... args) {
    static_assert(std::is_base_of_v<Made, T>, "tk::make makes toolkit objects only");
    auto object = std::make_shared<T>(Made::Token{}, detail::raw(std::forward<A>(args))...);
    static_cast<Made&>(*object).attach();
    return object;
}

}  // namespace tk
