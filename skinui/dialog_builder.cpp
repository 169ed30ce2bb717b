#include "dialog_builder.h"

#include <pugixml.hpp>

#include "attribute_text.h"
#include "container.h"
#include "label.h"

namespace SkinUI {

namespace {

void ApplyWindowAttribute(SkinWindowAttributes& window, std::string_view name, std::string_view value) {
  if (EqualsNoCase(name, "size"))
    window.size = ParseSize(value);
  else if (EqualsNoCase(name, "caption"))
    window.caption = ParseRect(value);
  else if (EqualsNoCase(name, "mininfo"))
    window.minInfo = ParseSize(value);
  else if (EqualsNoCase(name, "maxinfo"))
    window.maxInfo = ParseSize(value);
  else if (EqualsNoCase(name, "sizebox"))
    window.sizeBox = ParseRect(value);
}

void AddFontElement(const pugi::xml_node& node, CSkinTree& tree) {
  FontInfo font;
  int id = -1;
  bool isDefault = false;
  for (const pugi::xml_attribute& a : node.attributes()) {
    std::string_view name = a.name();
    std::string_view value = a.value();
    if (EqualsNoCase(name, "id"))
      id = ParseInteger(value);
    else if (EqualsNoCase(name, "name"))
      font.name = WideFromUtf8(value);
    else if (EqualsNoCase(name, "size"))
      font.size = ParseInteger(value);
    else if (EqualsNoCase(name, "bold"))
      font.bold = IsTrue(value);
    else if (EqualsNoCase(name, "underline"))
      font.underline = IsTrue(value);
    else if (EqualsNoCase(name, "italic"))
      font.italic = IsTrue(value);
    else if (EqualsNoCase(name, "default"))
      isDefault = IsTrue(value);
  }
  if (id >= 0) tree.AddFont(id, font, isDefault);
}

void AddDefaultElement(const pugi::xml_node& node, CSkinTree& tree) {
  std::string className, value;
  for (const pugi::xml_attribute& a : node.attributes()) {
    if (EqualsNoCase(a.name(), "name"))
      className = a.value();
    else if (EqualsNoCase(a.name(), "value"))
      value = a.value();
  }
  if (!className.empty()) tree.SetDefaultAttributes(className, ParseAttributeList(value));
}

std::unique_ptr<CControlUI> MakeControl(const char* elementName, IDialogBuilderCallback* callback) {
  std::unique_ptr<CControlUI> control = CreateBuiltinControl(elementName);
  if (!control && callback != nullptr) {
    control.reset(callback->CreateControl(WideFromUtf8(elementName).c_str()));
  }
  return control;
}

// The control for one element with its subtree; nullptr when nobody knows
// the element (its subtree is then skipped too).
std::unique_ptr<CControlUI> BuildControl(const pugi::xml_node& node, CSkinTree& tree,
                                         IDialogBuilderCallback* callback) {
  std::unique_ptr<CControlUI> control = MakeControl(node.name(), callback);
  if (!control) return nullptr;
  if (const AttributeList* defaults = tree.GetDefaultAttributes(node.name())) {
    for (const auto& [name, value] : *defaults) control->SetAttribute(name, value);
  }
  for (const pugi::xml_attribute& a : node.attributes()) control->SetAttribute(a.name(), a.value());
  if (auto* container = dynamic_cast<CContainerUI*>(control.get())) {
    for (const pugi::xml_node& child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      if (auto built = BuildControl(child, tree, callback)) container->Add(std::move(built));
    }
  }
  return control;
}

}  // namespace

std::unique_ptr<CControlUI> CreateBuiltinControl(std::string_view elementName) {
  if (elementName == "Container") return std::make_unique<CContainerUI>();
  if (elementName == "TabLayout") return std::make_unique<CTabLayoutUI>();
  if (elementName == "VerticalLayout") return std::make_unique<CVerticalLayoutUI>();
  if (elementName == "HorizontalLayout") return std::make_unique<CHorizontalLayoutUI>();
  if (elementName == "Label") return std::make_unique<CLabelUI>();
  if (elementName == "Button") return std::make_unique<CButtonUI>();
  if (elementName == "CheckBox") return std::make_unique<CCheckBoxUI>();
  if (elementName == "Progress") return std::make_unique<CProgressUI>();
  if (elementName == "Text") return std::make_unique<CTextUI>();
  return nullptr;
}

CControlUI* CDialogBuilder::Create(std::string_view xml, CSkinTree& tree, IDialogBuilderCallback* callback) {
  pugi::xml_document document;
  if (!document.load_buffer(xml.data(), xml.size())) return nullptr;
  pugi::xml_node window = document.child("Window");
  if (!window) return nullptr;
  for (const pugi::xml_attribute& a : window.attributes()) {
    ApplyWindowAttribute(tree.Window(), a.name(), a.value());
  }
  std::unique_ptr<CControlUI> root;
  for (const pugi::xml_node& node : window.children()) {
    if (node.type() != pugi::node_element) continue;
    std::string_view name = node.name();
    if (name == "Font")
      AddFontElement(node, tree);
    else if (name == "Default")
      AddDefaultElement(node, tree);
    else if (!root)
      root = BuildControl(node, tree, callback);
  }
  if (!root) return nullptr;
  tree.AttachRoot(std::move(root));
  return tree.GetRoot();
}

}  // namespace SkinUI
