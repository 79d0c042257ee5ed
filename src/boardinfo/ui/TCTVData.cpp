#include "boardinfo/ui/TCTVData.h"

#include "app/PromptService.h"

#include <QKeyEvent>
#include <functional>

namespace {
constexpr int ItemLevel = 2;
}

const QString TCTVData::SelectBeforeAddText =
    QStringLiteral("Please select an item before adding a new one.");
const QString TCTVData::SelectBeforeAddSubText =
    QStringLiteral("Please select an item before adding a new sub item.");
const QString TCTVData::DeleteWithChildrenText =
    QStringLiteral("Please select an item without any sub item before deleting it.");

// An item of the view and the node it carries.
class TCTVData::Item : public QTreeWidgetItem {
public:
    explicit Item(BoardInfoTreeNode *node) : Node(node) {}
    BoardInfoTreeNode *Node;
};

TCTVData::TCTVData(QWidget *parent) : TCTVData(true, parent) {}

TCTVData::TCTVData(bool checkBoxes, QWidget *parent)
    : QTreeWidget(parent), FCheckBoxes(checkBoxes), FTree(&FOwnTree) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem *item) { itemChangedByUser(item); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { FTree->Select(NodeOf(item)); });
}

TCTVData::~TCTVData() {
    // Items go before the tree they point into. Nothing may react to their
    // going: the page that listens is being destroyed already.
    blockSignals(true);
    ++FUpdating;
    clear();
}

void TCTVData::AttachTree(BoardInfoTree *tree) {
    FTree = tree ? tree : &FOwnTree;
    Rebuild();
}

QTreeWidgetItem *TCTVData::newItem(BoardInfoTreeNode *node, QTreeWidgetItem *parent) {
    auto *item = new Item(node);
    item->setText(0, node->Text);
    if (FCheckBoxes) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, node->Checked ? Qt::Checked : Qt::Unchecked);
    }
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    return item;
}

void TCTVData::Rebuild() {
    ++FUpdating;
    clear();
    const std::function<void(BoardInfoTreeNode *, QTreeWidgetItem *)> add =
        [&](BoardInfoTreeNode *node, QTreeWidgetItem *parent) {
            QTreeWidgetItem *item = newItem(node, parent);
            for (int c = 0; c < node->ChildCount(); ++c)
                add(node->Child(c), item);
        };
    for (int i = 0; i < FTree->TopCount(); ++i)
        add(FTree->Top(i), nullptr);
    expandAll();
    --FUpdating;
}

void TCTVData::RefreshItems() {
    ++FUpdating;
    const std::function<void(QTreeWidgetItem *)> refresh = [&](QTreeWidgetItem *item) {
        if (const BoardInfoTreeNode *node = NodeOf(item)) {
            item->setText(0, node->Text);
            if (FCheckBoxes)
                item->setCheckState(0, node->Checked ? Qt::Checked : Qt::Unchecked);
        }
        for (int c = 0; c < item->childCount(); ++c)
            refresh(item->child(c));
    };
    for (int i = 0; i < topLevelItemCount(); ++i)
        refresh(topLevelItem(i));
    --FUpdating;
}

BoardInfoTreeNode *TCTVData::NodeOf(const QTreeWidgetItem *item) const {
    const auto *own = dynamic_cast<const Item *>(item);
    return own ? own->Node : nullptr;
}

QTreeWidgetItem *TCTVData::ItemOf(const BoardInfoTreeNode *node) const {
    if (!node)
        return nullptr;
    // The path of rows from the top leads to the node's item.
    QList<int> rows;
    const BoardInfoTreeNode *n = node;
    for (; n->Parent(); n = n->Parent())
        rows.prepend(n->Row());
    int top = -1;
    for (int i = 0; i < FTree->TopCount(); ++i)
        if (FTree->Top(i) == n)
            top = i;
    QTreeWidgetItem *item = top >= 0 ? topLevelItem(top) : nullptr;
    for (int row : rows)
        item = item ? item->child(row) : nullptr;
    return item && NodeOf(item) == node ? item : nullptr;
}

void TCTVData::SelectNode(BoardInfoTreeNode *node) {
    if (QTreeWidgetItem *item = ItemOf(node)) {
        setCurrentItem(item);
        scrollToItem(item);
    }
}

void TCTVData::inform(const QString &text) {
    if (FPrompts)
        FPrompts->Information(text);
}

void TCTVData::showNew(BoardInfoTreeNode *node, QTreeWidgetItem *item) {
    if (QTreeWidgetItem *parent = item->parent())
        parent->setExpanded(true);
    FTree->Select(node);
    setCurrentItem(item);
    scrollToItem(item);
}

BoardInfoTreeNode *TCTVData::AddNode() {
    if (FTree->IsEmpty()) {
        BoardInfoTreeNode *node = FTree->AddTop();
        ++FUpdating;
        QTreeWidgetItem *item = newItem(node, nullptr);
        --FUpdating;
        showNew(node, item);
        return node;
    }
    BoardInfoTreeNode *selected = SelectedNode();
    if (!selected) {
        inform(SelectBeforeAddText);
        return nullptr;
    }
    BoardInfoTreeNode *node = FTree->AddSibling(selected);
    ++FUpdating;
    QTreeWidgetItem *item = newItem(node, ItemOf(selected)->parent());
    --FUpdating;
    showNew(node, item);
    return node;
}

BoardInfoTreeNode *TCTVData::AddChildNode() {
    if (FTree->IsEmpty())
        return nullptr;
    BoardInfoTreeNode *selected = SelectedNode();
    if (!selected) {
        inform(SelectBeforeAddSubText);
        return nullptr;
    }
    if (selected->Level() >= ItemLevel)
        return nullptr;
    BoardInfoTreeNode *node = FTree->AddChild(selected);
    ++FUpdating;
    QTreeWidgetItem *item = newItem(node, ItemOf(selected));
    --FUpdating;
    showNew(node, item);
    return node;
}

bool TCTVData::DeleteNode() {
    BoardInfoTreeNode *selected = SelectedNode();
    if (FTree->IsEmpty() || !selected)
        return false;
    if (selected->ChildCount() > 0) {
        inform(DeleteWithChildrenText);
        return false;
    }
    QTreeWidgetItem *item = ItemOf(selected);
    ++FUpdating;
    // The item first: the view moves its current item while the node is still there.
    delete item;
    FTree->Remove(selected);
    FTree->Select(SelectedNode());
    --FUpdating;
    return true;
}

void TCTVData::ClearNodes() {
    ++FUpdating;
    clear();
    const QList<BoardInfoTreeNode *> nodes = FTree->Nodes();
    for (auto it = nodes.crbegin(); it != nodes.crend(); ++it)
        FTree->Remove(*it);
    --FUpdating;
}

void TCTVData::itemChangedByUser(QTreeWidgetItem *item) {
    if (FUpdating || !FCheckBoxes)
        return;
    BoardInfoTreeNode *node = NodeOf(item);
    if (!node)
        return;
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == node->Checked)
        return;
    node->Checked = checked;
    emit nodeCheckChanged(node);
}

void TCTVData::keyPressEvent(QKeyEvent *event) {
    // Check boxes change only by mouse.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
