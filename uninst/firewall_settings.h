// The system's firewall policy, held for the length of the firewall step.
#pragma once

#include <windows.h>
#include <netfw.h>

#include <string>

#include "com_handles.h"

namespace uninst {

class CFirewallSettings {
 public:
  // Creates the policy object on a thread whose COM the caller initialised;
  // a failure leaves no policy.
  CFirewallSettings();
  // Releases the policy, then uninitialises COM once.
  ~CFirewallSettings();
  CFirewallSettings(const CFirewallSettings&) = delete;
  CFirewallSettings& operator=(const CFirewallSettings&) = delete;

  bool HasPolicy() const { return static_cast<bool>(m_policy); }

  // Removes the rule of that name; true in every case.
  bool RemoveRule(const std::wstring& name);

 private:
  ComPtr<INetFwPolicy2> m_policy;
};

}  // namespace uninst
