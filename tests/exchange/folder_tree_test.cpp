// The folder tree against the simulated map application, through the frame's hidden window: folders found,
// made, renamed and deleted by the map's user, long names, answers missing or empty.
#include "app/frame_fixture.h"
#include "platform/win32/core/unicode.h"
#include "plugin/exchange/DocLockOps.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/MapFolderTree.h"

namespace {

constexpr const char* kWorkspace = "CAD工作空间";

std::string Utf8(const CString& text) {
    return platform::Utf16ToUtf8(std::u16string(text.GetString()));
}

class FolderTreeTest : public frametest::FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        Load();
        map.ClearRecords();
    }
    // The tree loaded afresh while the plug-in stays loaded.
    static void Reset() {
        g_MapFolderTree.Clear();
        g_MapFolderTree.m_idToName.clear();
        g_MapFolderTree.m_workspaceId = 0;
        g_strDrawingFolderName.Empty();
        g_MapFolderList.clear();
    }
    uint32_t Workspace() const { return map.FolderNamed(0, kWorkspace); }
    uint32_t Folder(uint32_t parent, const std::string& name) const { return map.FolderNamed(parent, name); }
    // The names of the folders the plug-in asked to create, in order.
    std::vector<std::string> Created() const {
        std::vector<std::string> names;
        for (const mapsim::Request& request : map.RequestsOf(20102)) {
            names.push_back(mapsim::GetText(request.payload, 16, mapsim::kNameSize));
        }
        return names;
    }

    CMapFolderTree& tree = g_MapFolderTree;
};

TEST_F(FolderTreeTest, AMissingWorkspaceIsMadeWithTheDrawingAndLayerFoldersInOrder) {
    const uint32_t id = tree.GetFolderId(u"a.dxf", u"道路", true);
    EXPECT_EQ(Created(), (std::vector<std::string>{kWorkspace, "a.dxf", "道路"}));
    ASSERT_NE(Workspace(), 0u);
    const uint32_t drawing = Folder(Workspace(), "a.dxf");
    ASSERT_NE(drawing, 0u);
    EXPECT_EQ(id, Folder(drawing, "道路"));
    EXPECT_EQ(tree.m_workspaceId, Workspace());
    EXPECT_EQ(tree.GetIdMap().at(id), CString(u"道路"));

    // Found again from the tree, nothing made twice.
    map.ClearRecords();
    EXPECT_EQ(tree.GetFolderId(u"a.dxf", u"道路", true), id);
    EXPECT_TRUE(Created().empty());
    // Empty names give the workspace.
    EXPECT_EQ(tree.GetFolderId(u"a.dxf", CString(), true), Workspace());
}

TEST_F(FolderTreeTest, WithoutTheCreateFlagOnlyAnEmptyWorkspaceGetsFolders) {
    const uint32_t workspace = map.AddFolder(0, kWorkspace);
    map.AddFolder(map.AddFolder(workspace, "other.dxf"), "0");
    EXPECT_EQ(tree.GetFolderId(u"a.dxf", u"0", false), 0u);
    EXPECT_TRUE(Created().empty());
    EXPECT_EQ(Folder(workspace, "a.dxf"), 0u);

    // A layer the drawing's folder lacks is not made either.
    map.AddFolder(map.FolderNamed(workspace, "other.dxf"), "kept");
    Reset();
    EXPECT_EQ(tree.GetFolderId(u"other.dxf", u"new", false), 0u);
    EXPECT_TRUE(Created().empty());

    map.UserDeletesFolder(map.FolderNamed(workspace, "other.dxf"));
    Reset();
    const uint32_t id = tree.GetFolderId(u"a.dxf", u"0", false);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(id, Folder(Folder(workspace, "a.dxf"), "0"));
}

TEST_F(FolderTreeTest, FoldersTheMapUserDeletedOrRenamedAreMadeAgainOnce) {
    const uint32_t first = tree.GetFolderId(u"a.dxf", u"0", true);
    const uint32_t drawing = Folder(Workspace(), "a.dxf");
    ASSERT_TRUE(map.UserDeletesFolder(first));
    const uint32_t second = tree.GetFolderId(u"a.dxf", u"0", true);
    EXPECT_NE(second, first);
    EXPECT_EQ(second, Folder(drawing, "0"));
    EXPECT_EQ(map.FolderCount(drawing, "0"), 1u);

    // The drawing's folder renamed by the user: a folder of the drawing's name is made anew with its layer.
    ASSERT_TRUE(map.UserRenamesFolder(drawing, "renamed"));
    const uint32_t third = tree.GetFolderId(u"a.dxf", u"0", true);
    const uint32_t newDrawing = Folder(Workspace(), "a.dxf");
    ASSERT_NE(newDrawing, 0u);
    EXPECT_NE(newDrawing, drawing);
    EXPECT_EQ(third, Folder(newDrawing, "0"));
    EXPECT_EQ(map.FolderCount(Workspace(), "a.dxf"), 1u);

    // The workspace itself deleted: the tree starts again from nothing.
    ASSERT_TRUE(map.UserDeletesFolder(Workspace()));
    map.ClearRecords();
    const uint32_t fourth = tree.GetFolderId(u"a.dxf", u"0", true);
    EXPECT_EQ(Created(), (std::vector<std::string>{kWorkspace, "a.dxf", "0"}));
    EXPECT_EQ(fourth, Folder(Folder(Workspace(), "a.dxf"), "0"));
}

TEST_F(FolderTreeTest, StaleFoldersOfOtherDrawingsAndLayersNeitherFailNorComeBack) {
    const uint32_t mine = tree.GetFolderId(u"a.dxf", u"0", true);
    tree.GetFolderId(u"a.dxf", u"1", true);
    tree.GetFolderId(u"b.dxf", u"0", true);
    const uint32_t drawing = Folder(Workspace(), "a.dxf");
    ASSERT_TRUE(map.UserDeletesFolder(Folder(Workspace(), "b.dxf")));
    ASSERT_TRUE(map.UserDeletesFolder(Folder(drawing, "1")));
    map.ClearRecords();

    EXPECT_EQ(tree.GetFolderId(u"a.dxf", u"0", true), mine);
    EXPECT_EQ(tree.GetFolderId(u"a.dxf", u"0", false), mine);
    EXPECT_TRUE(Created().empty());
    EXPECT_EQ(Folder(Workspace(), "b.dxf"), 0u);
    // No folder of the drawing's name was hung under the drawing as a layer.
    EXPECT_EQ(Folder(drawing, "a.dxf"), 0u);
}

TEST_F(FolderTreeTest, ALongNameIsCutOnceAndFoundAgain) {
    const CString layer(u'层', 40);  // 120 UTF-8 bytes: 33 whole characters fit in 99
    const uint32_t id = tree.GetFolderId(u"a.dxf", layer, true);
    ASSERT_NE(id, 0u);
    const uint32_t drawing = Folder(Workspace(), "a.dxf");
    const std::string cut = Utf8(CString(u'层', 33));
    EXPECT_EQ(Folder(drawing, cut), id);

    // A tree loaded afresh finds it by its cut name; so does a plain search.
    Reset();
    map.ClearRecords();
    EXPECT_EQ(tree.GetFolderId(u"a.dxf", layer, true), id);
    EXPECT_EQ(tree.FindOrCreateFolder(layer, drawing, true), id);
    EXPECT_TRUE(Created().empty());
    EXPECT_EQ(map.FolderCount(drawing, cut), 1u);
    EXPECT_EQ(MapFolderName(layer), CString(u'层', 33));
}

TEST_F(FolderTreeTest, AMissingOrEmptyFolderListNeverReusesAnEarlierOne) {
    const uint32_t workspace = map.AddFolder(0, kWorkspace);
    map.AddFolder(map.AddFolder(workspace, "other.dxf"), "L");
    ASSERT_TRUE(tree.LoadTree());
    ASSERT_NE(tree.m_firstDrawing, nullptr);
    EXPECT_EQ(tree.m_firstDrawing->m_folderName, CString(u"other.dxf"));
    EXPECT_EQ(tree.m_firstDrawing->m_firstChild->m_folderName, CString(u"L"));

    tree.Clear();
    map.ReplaceNextAnswer(20100, mapsim::Bytes{});
    ASSERT_TRUE(tree.LoadTree());
    EXPECT_EQ(tree.m_firstDrawing, nullptr);

    map.FailCode(20100, 0, 1);  // handled without an answer
    ASSERT_TRUE(tree.LoadTree());
    EXPECT_EQ(tree.m_firstDrawing, nullptr);

    // A link error of the list is shown and fails the load.
    map.FailCode(20100, -6, 1);
    user.ExpectMessageBox(u"");
    EXPECT_FALSE(tree.LoadTree());
}

TEST_F(FolderTreeTest, NodesAndRecordedFoldersUpdateInPlace) {
    const uint32_t id = tree.GetFolderId(u"a.dxf", u"0", true);
    CMapFolderNode* node = CMapFolderTree::NewNode();
    node->m_folderName = u"0";
    node->m_folderId = id + 1000;
    tree.AddNode(u"a.dxf", node);
    const CMapFolderNode* drawing = tree.m_firstDrawing;
    ASSERT_NE(drawing, nullptr);
    ASSERT_NE(drawing->m_firstChild, nullptr);
    EXPECT_EQ(drawing->m_firstChild->m_folderId, id + 1000);
    EXPECT_EQ(drawing->m_firstChild->m_next, nullptr);

    // A folder answered by a send links its layer in the drawing; the first name of an id is kept.
    UpdateMapFolderUnderDocLock(u"道路", 4242, true);
    UpdateMapFolderUnderDocLock(u"other", 4242, false);
    EXPECT_EQ(tree.GetIdMap().at(4242), CString(u"道路"));
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(doc->database()->getLayerTable(layers, AcDb::kForRead), Acad::eOk);
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(layers->getAt(u"道路", layer, AcDb::kForRead), Acad::eOk);
    layers->close();
    CBindingRecord link;
    EXPECT_TRUE(ReadLinkRecord(layer, link));
    layer->close();
    EXPECT_EQ(link.m_mapId, 4242u);
    EXPECT_TRUE(platform::LockViolations().empty());
    EXPECT_EQ(doc->tarnLockCount(), 0);
}

TEST_F(FolderTreeTest, LayerFoldersAreToldWithoutMakingAnythingAndNodesComeOut) {
    // Nothing there: no workspace is made, and the answer is no.
    EXPECT_FALSE(tree.HasLayerFolder(u"a.dxf", u"0"));
    EXPECT_TRUE(Created().empty());
    EXPECT_EQ(tree.m_workspaceId, 0u);

    tree.GetFolderId(u"a.dxf", u"0", true);
    tree.GetFolderId(u"a.dxf", u"roads", true);
    tree.GetFolderId(u"b.dxf", u"0", true);
    map.ClearRecords();
    EXPECT_TRUE(tree.HasLayerFolder(u"a.dxf", u"roads"));
    EXPECT_TRUE(tree.HasLayerFolder(u"b.dxf", u"0"));
    EXPECT_FALSE(tree.HasLayerFolder(u"b.dxf", u"roads"));
    EXPECT_FALSE(tree.HasLayerFolder(u"a.dxf", CString()));
    EXPECT_FALSE(tree.HasLayerFolder(CString(), u"0"));
    EXPECT_TRUE(Created().empty());
    EXPECT_EQ(tree.m_workspaceId, Workspace());

    // A layer node of the first drawing that has it, then a whole drawing node with its layers.
    EXPECT_TRUE(tree.RemoveNode(u"0"));
    EXPECT_FALSE(tree.HasLayerFolder(u"a.dxf", u"0"));
    EXPECT_TRUE(tree.HasLayerFolder(u"a.dxf", u"roads"));
    EXPECT_TRUE(tree.HasLayerFolder(u"b.dxf", u"0"));
    EXPECT_TRUE(tree.RemoveNode(u"a.dxf"));
    ASSERT_NE(tree.m_firstDrawing, nullptr);
    EXPECT_EQ(tree.m_firstDrawing->m_folderName, CString(u"b.dxf"));
    EXPECT_EQ(tree.m_firstDrawing->m_next, nullptr);
    EXPECT_FALSE(tree.RemoveNode(u"nowhere"));
    EXPECT_TRUE(tree.RemoveNode(u"0"));
    EXPECT_EQ(tree.m_firstDrawing->m_firstChild, nullptr);
    // The map application is not asked to delete anything.
    EXPECT_TRUE(map.RequestsOf(20103).empty());

    // The workspace gone in the map: the answer is no, and the stale tree is dropped.
    map.UserDeletesFolder(Workspace());
    EXPECT_FALSE(tree.HasLayerFolder(u"b.dxf", u"0"));
    EXPECT_EQ(tree.m_firstDrawing, nullptr);
}

TEST_F(FolderTreeTest, OnlyTheWorkspaceIsMadeAsARootFolderWithTheCallerValueOne) {
    const uint32_t id = tree.GetFolderId(u"a.dxf", u"道路", true);
    ASSERT_NE(id, 0u);
    tree.FindOrCreateFolder(u"extra", Folder(Workspace(), "a.dxf"), true);
    const auto requests = map.RequestsOf(20102);
    ASSERT_EQ(requests.size(), 4u);
    // Header: parent at 4 (1 for the root, as both parent and object are 0), object at 8, caller value at 12.
    const uint32_t parents[] = {1, Workspace(), Folder(Workspace(), "a.dxf"), Folder(Workspace(), "a.dxf")};
    const uint32_t values[] = {1, 0, 0, 0};
    for (size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(mapsim::Get<uint32_t>(requests[i].payload, 4), parents[i]);
        EXPECT_EQ(mapsim::Get<uint32_t>(requests[i].payload, 8), 0u);
        EXPECT_EQ(mapsim::Get<uint32_t>(requests[i].payload, 12), values[i]);
    }
}

TEST_F(FolderTreeTest, TheWholeTreeIsDroppedWhenTheWorkspaceIsGone) {
    tree.GetFolderId(u"a.dxf", u"0", true);
    tree.GetFolderId(u"b.dxf", u"1", true);
    ASSERT_NE(tree.m_firstDrawing, nullptr);
    ASSERT_NE(tree.m_firstDrawing->m_next, nullptr);
    const uint32_t oldWorkspace = Workspace();
    ASSERT_TRUE(map.UserDeletesFolder(oldWorkspace));

    // Asked for without making it: none, and no cached folder is kept.
    EXPECT_EQ(tree.FindOrCreateFolder(u"CAD工作空间", 0, false), 0u);
    EXPECT_EQ(tree.m_firstDrawing, nullptr);

    // The next send builds the tree from what the map holds now: one drawing with one layer, nothing stale.
    tree.GetFolderId(u"b.dxf", u"1", true);  // fills the tree again
    ASSERT_TRUE(map.UserDeletesFolder(Workspace()));
    map.ClearRecords();
    const uint32_t id = tree.GetFolderId(u"a.dxf", u"0", true);
    EXPECT_EQ(Created(), (std::vector<std::string>{kWorkspace, "a.dxf", "0"}));
    const uint32_t drawing = Folder(Workspace(), "a.dxf");
    ASSERT_NE(drawing, 0u);
    EXPECT_EQ(id, Folder(drawing, "0"));
    const CMapFolderNode* first = tree.m_firstDrawing;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_folderName, CString(u"a.dxf"));
    EXPECT_EQ(first->m_folderId, drawing);
    EXPECT_EQ(first->m_next, nullptr);
    ASSERT_NE(first->m_firstChild, nullptr);
    EXPECT_EQ(first->m_firstChild->m_folderName, CString(u"0"));
    EXPECT_EQ(first->m_firstChild->m_folderId, id);
    EXPECT_EQ(first->m_firstChild->m_next, nullptr);
    // b.dxf's folder is not made again without a send of its own.
    EXPECT_EQ(Folder(Workspace(), "b.dxf"), 0u);
}

TEST_F(FolderTreeTest, AnErasedEntitysMapObjectIsDeletedByItsIdAlone) {
    CDocSyncState* state = CurrentDocState();
    ASSERT_NE(state, nullptr);
    state->m_bindings.UpdateBinding(5, 4294967295u, false);
    state->m_bindings.UpdateBinding(6, 0, false);  // read back from an entity that was never sent
    DeleteLinkedMapObject(5);
    DeleteLinkedMapObject(6);
    DeleteLinkedMapObject(7);
    const auto requests = map.RequestsOf(20103);
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].payload.size(), 20u);
    EXPECT_EQ(mapsim::Get<uint32_t>(requests[0].payload, 16), 4294967295u);
    EXPECT_EQ(mapsim::Get<uint32_t>(requests[0].payload, 12), 0u);  // both flags clear
}

}  // namespace
