#include "firewall_settings.h"

#include <utility>

namespace tavrin::uninst {

namespace {

// NetFwPolicy2 and INetFwPolicy2.
constexpr CLSID kFirewallPolicyClass = {0xE2B3C97F, 0x6AE1, 0x41AC, {0x81, 0x7A, 0xF6, 0xF9, 0x21, 0x66, 0xD7, 0xDD}};
constexpr IID kFirewallPolicyInterface = {0x98325047, 0xC671, 0x4174, {0x8D, 0x81, 0xDE, 0xFC, 0xD3, 0xF0, 0x31, 0x86}};

}  // namespace

CFirewallSettings::CFirewallSettings(tavrin::ComApartment com) : m_com(std::move(com)) {
  ::CoCreateInstance(kFirewallPolicyClass, nullptr, CLSCTX_INPROC_SERVER, kFirewallPolicyInterface,
                     reinterpret_cast<void**>(m_policy.receive()));
}

bool CFirewallSettings::RemoveRule(const std::wstring& name) {
  if (!m_policy) return true;
  try {
    tavrin::UniqueBstr ruleName(::SysAllocString(name.c_str()));
    if (!ruleName || ::SysStringByteLen(ruleName.get()) == 0) return true;
    tavrin::ComPtr<INetFwRules> rules;
    if (SUCCEEDED(m_policy.get()->get_Rules(rules.receive())) && rules) rules.get()->Remove(ruleName.get());
  } catch (...) {
    // A failing policy object ends the step like a missing rule does.
  }
  return true;
}

void RemoveFirewallRule(const std::wstring& name) {
  // The holder uninitialises COM at its end whatever the initialisation returned.
  CFirewallSettings firewall(tavrin::pairedComApartment(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  firewall.RemoveRule(name);
}

}  // namespace tavrin::uninst
