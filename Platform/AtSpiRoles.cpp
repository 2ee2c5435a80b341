#include "Platform/AtSpiRoles.h"

namespace tarvo {

std::string_view AtSpiRoles::role(AtspiRole role, bool multiLine) {
    switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON: return "AXButton";
    case ATSPI_ROLE_PUSH_BUTTON_MENU: return "AXMenuButton";
    case ATSPI_ROLE_CHECK_BOX:
    case ATSPI_ROLE_TOGGLE_BUTTON: return "AXCheckBox";
    case ATSPI_ROLE_RADIO_BUTTON: return "AXRadioButton";
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY: return multiLine ? "AXTextArea" : "AXTextField";
    // A toolbar's own text field is where toolkits put search.
    case ATSPI_ROLE_EDITBAR: return "AXSearchField";
    case ATSPI_ROLE_PASSWORD_TEXT: return "AXSecureTextField";
    case ATSPI_ROLE_AUTOCOMPLETE: return "AXComboBox";
    case ATSPI_ROLE_COMBO_BOX: return "AXPopUpButton";
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM: return "AXMenuItem";
    // The entries of a menu bar are menus of their own.
    case ATSPI_ROLE_MENU: return "AXMenuBarItem";
    case ATSPI_ROLE_MENU_BAR: return "AXMenuBar";
    case ATSPI_ROLE_LINK: return "AXLink";
    case ATSPI_ROLE_PAGE_TAB: return "AXTab";
    case ATSPI_ROLE_PAGE_TAB_LIST: return "AXTabGroup";
    case ATSPI_ROLE_ARROW: return "AXDisclosureTriangle";
    case ATSPI_ROLE_SPIN_BUTTON: return "AXIncrementor";
    case ATSPI_ROLE_SLIDER: return "AXSlider";
    case ATSPI_ROLE_TABLE_CELL:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_TREE_ITEM: return "AXCell";
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC: return "AXStaticText";
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER: return "AXWindow";
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX: return "AXList";
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE: return "AXTable";
    case ATSPI_ROLE_SCROLL_PANE: return "AXScrollArea";
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_GROUPING: return "AXGroup";
    case ATSPI_ROLE_TOOL_BAR: return "AXToolbar";
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON: return "AXImage";
    default: return "AXUnknown";
    }
}

std::optional<std::string_view> AtSpiRoles::subrole(AtspiRole role) {
    switch (role) {
    case ATSPI_ROLE_PASSWORD_TEXT: return "AXSecureTextField";
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_FILE_CHOOSER: return "AXDialog";
    case ATSPI_ROLE_ALERT: return "AXSystemDialog";
    default: return std::nullopt;
    }
}

} // namespace tarvo
