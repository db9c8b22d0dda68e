#pragma once

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Sequence.hxx>

#include <vector>

namespace quorvia::workbook::office {

// One named argument of a UNO call (load and store options and the like).
inline css::beans::PropertyValue Property(const char* name, const css::uno::Any& value) {
  css::beans::PropertyValue property;
  property.Name = rtl::OUString::createFromAscii(name);
  property.Value = value;
  return property;
}

inline css::uno::Sequence<css::beans::PropertyValue> Properties(
    const std::vector<css::beans::PropertyValue>& properties) {
  return css::uno::Sequence<css::beans::PropertyValue>(properties.data(),
                                                       static_cast<sal_Int32>(properties.size()));
}

}  // namespace quorvia::workbook::office
