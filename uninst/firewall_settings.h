// The system's firewall policy, held for the length of the firewall step.
#pragma once

#include <windows.h>
#include <netfw.h>

#include <string>

#include "com_handles.h"

namespace tavrin::uninst {

class CFirewallSettings {
 public:
  // Takes charge of the COM initialisation the caller made for the step and
  // creates the policy object; a failure leaves no policy. Ending releases
  // the policy, then gives up `com` (uninitialises COM when it is owed).
  explicit CFirewallSettings(tavrin::ComApartment com);
  CFirewallSettings(const CFirewallSettings&) = delete;
  CFirewallSettings& operator=(const CFirewallSettings&) = delete;

  bool HasPolicy() const { return static_cast<bool>(m_policy); }

  // Removes the rule of that name; true in every case.
  bool RemoveRule(const std::wstring& name);

 private:
  tavrin::ComApartment m_com;  // declared first: ends after the policy
  tavrin::ComPtr<INetFwPolicy2> m_policy;
};

// Step 70: removes the firewall rule of that name in an apartment of its own.
void RemoveFirewallRule(const std::wstring& name);

}  // namespace tavrin::uninst
