#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "TarvoCore/Operator/AXElementSource.h"
#include "TarvoCore/Operator/AXNode.h"
#include "TarvoCore/Operator/AXSnapshot.h"

namespace tarvo {

// Reads an accessibility tree into plain nodes, depth first and in the source's order, within a
// depth limit (the root is at depth 0) and a node limit (the root always counts). A password
// field is read no further than its role and subrole: none of its words or children.
class AXWalk {
public:
    template <class Element>
    struct Kept {
        AXNode tree;
        // The live element of each actionable node, at the node's `ref`.
        std::vector<Element> elements;
        // The node limit stopped the walk while an element still had children to take, so the
        // tree is not the whole window. Nodes at the depth limit have their children never read,
        // so the depth limit cannot tell and never sets this.
        bool nodeLimitLeftOut = false;
    };

    template <class Element>
    static Kept<Element> buildKeeping(AXElementSource<Element>& source, const Element& root, int maxDepth,
                                      int maxNodes) {
        Walker<Element> walker{source, maxDepth, maxNodes, {}, 0, false};
        AXNode tree = walker.walk(root, 0);
        return Kept<Element>{std::move(tree), std::move(walker.elements), walker.leftOut};
    }

    template <class Element>
    static AXNode build(AXElementSource<Element>& source, const Element& root, int maxDepth, int maxNodes) {
        return buildKeeping(source, root, maxDepth, maxNodes).tree;
    }

private:
    template <class Element>
    struct Walker {
        using Source = AXElementSource<Element>;

        AXNode walk(const Element& element, int depth) {
            ++count;
            AXNode node;
            node.role = source.string(Source::roleAttribute, element).value_or(node.role);
            node.subrole = source.string(Source::subroleAttribute, element);
            if (AXSnapshot::isSecure(node.role, node.subrole)) {
                node.role = AXSnapshot::secureRole;
                return node;
            }
            node.title = source.string(Source::titleAttribute, element);
            node.label = source.string(Source::descriptionAttribute, element);
            node.value = source.string(Source::valueAttribute, element);
            if (std::ranges::find(AXSnapshot::actionableRoles, node.role) != AXSnapshot::actionableRoles.end()) {
                node.ref = elements.size();
                elements.push_back(element);
                node.enabled = source.boolean(Source::enabledAttribute, element);
            }
            if (depth >= maxDepth) return node;
            const std::vector<Element> children = source.children(element);
            for (const Element& child : children) {
                if (count >= maxNodes) {
                    leftOut = true;
                    break;
                }
                node.children.push_back(walk(child, depth + 1));
            }
            return node;
        }

        Source& source;
        int maxDepth;
        int maxNodes;
        std::vector<Element> elements;
        int count;
        bool leftOut;
    };
};

} // namespace tarvo
