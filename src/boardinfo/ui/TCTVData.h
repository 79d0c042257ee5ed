#pragma once
// A tree view over a board-information tree (BoardInfoTree): every item
// carries one BoardInfoTreeNode, created with the item and freed with it, and
// shows its check box. The view keeps its own tree, or shows a tree another
// object owns (AttachTree) and is rebuilt from it when that tree changed.
//
// The grow and prune operations change the tree and the items together and
// show their own refusals through the prompt service.

#include "boardinfo/BoardInfoTree.h"

#include <QTreeWidget>

class PromptService;

class TCTVData : public QTreeWidget {
    Q_OBJECT
public:
    explicit TCTVData(QWidget *parent = nullptr);
    ~TCTVData() override;

    // The texts of the refusals.
    static const QString SelectBeforeAddText;
    static const QString SelectBeforeAddSubText;
    static const QString DeleteWithChildrenText;

    // Where refusals are shown (none: they are not shown).
    void SetPrompts(PromptService *prompts) { FPrompts = prompts; }

    BoardInfoTree &Tree() { return *FTree; }
    const BoardInfoTree &Tree() const { return *FTree; }
    // Shows `tree` (owned elsewhere) instead of the view's own tree; null
    // goes back to the own tree. Rebuilds the items.
    void AttachTree(BoardInfoTree *tree);
    // New items for every node of the tree, every node expanded.
    void Rebuild();
    // Item texts and check boxes again from the nodes.
    void RefreshItems();

    BoardInfoTreeNode *NodeOf(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *ItemOf(const BoardInfoTreeNode *node) const;
    BoardInfoTreeNode *SelectedNode() const { return NodeOf(currentItem()); }
    // Selects and scrolls to the node's item.
    void SelectNode(BoardInfoTreeNode *node);

    // Grow and prune. A new node starts with the values of a new
    // BoardInfoNode, is selected, scrolled into view and its parent expanded.
    // An empty tree gets a top-level node; otherwise the new node becomes the
    // last sibling of the selected one (refused without a selection).
    BoardInfoTreeNode *AddNode();
    // The last child of the selected node; nothing for a firmware item or an
    // empty tree, refused without a selection.
    BoardInfoTreeNode *AddChildNode();
    // Deletes the selected node; refused for a node with children. False when
    // nothing was deleted.
    bool DeleteNode();
    // Deletes every node, last first.
    void ClearNodes();

    bool HasCheckBoxes() const { return FCheckBoxes; }

signals:
    // The user changed the check box of `node` (its Checked is already set).
    void nodeCheckChanged(BoardInfoTreeNode *node);

protected:
    // `checkBoxes` false: a view without check boxes (TCTVDataPI).
    TCTVData(bool checkBoxes, QWidget *parent);

    void keyPressEvent(QKeyEvent *event) override;

private:
    class Item;
    QTreeWidgetItem *newItem(BoardInfoTreeNode *node, QTreeWidgetItem *parent);
    void showNew(BoardInfoTreeNode *node, QTreeWidgetItem *item);
    void itemChangedByUser(QTreeWidgetItem *item);
    void inform(const QString &text);

    bool FCheckBoxes;
    BoardInfoTree FOwnTree;
    BoardInfoTree *FTree;
    PromptService *FPrompts = nullptr;
    int FUpdating = 0;
};
