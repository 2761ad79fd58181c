#include "render/Frustum.h"
#include "render/Model.h"
#include "render/Semantics.h"
#include "support/Checks.h"
#include "support/Files.h"
#include "support/GlContext.h"
#include "support/HostileFiles.h"
#include "support/RenderFixtures.h"

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <stb_image_write.h>

#include <cstring>
#include <filesystem>

using namespace brindlemox::render;

using checks::captureReports;
using testfiles::ScratchDir;

namespace {

// One triangle with the given number of texture sets; set k of vertex j holds (k + j/10, 0.25).
std::unique_ptr<aiScene> triangleScene(unsigned setCount) {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode();
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    scene->mNumMeshes = 1;
    auto* mesh = new aiMesh();
    scene->mMeshes = new aiMesh* [1] { mesh };
    mesh->mMaterialIndex = 0;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = 3;
    mesh->mVertices = new aiVector3D[3]{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh->mNormals = new aiVector3D[3]{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    for (unsigned k = 0; k < setCount; ++k) {
        mesh->mNumUVComponents[k] = 2;
        mesh->mTextureCoords[k] = new aiVector3D[3];
        for (unsigned j = 0; j < 3; ++j)
            mesh->mTextureCoords[k][j] = aiVector3D(static_cast<float>(k) + 0.1f * j, 0.25f, 0.0f);
    }
    mesh->mNumFaces = 1;
    mesh->mFaces = new aiFace[1];
    mesh->mFaces[0].mNumIndices = 3;
    mesh->mFaces[0].mIndices = new unsigned[3]{0, 1, 2};
    return scene;
}

std::string exportScene(const aiScene& scene, const std::string& path) {
    Assimp::Exporter exporter;
    if (exporter.Export(&scene, "collada", path) != AI_SUCCESS)
        ADD_FAILURE() << "could not write " << path << ": " << exporter.GetErrorString();
    return path;
}

std::unique_ptr<Model> load(const std::string& path) {
    std::unique_ptr<Model> model;
    captureReports([&] { model = loadModel(path); });
    return model;
}

template <typename T> std::vector<T> readBuffer(GLuint buffer, size_t count) {
    std::vector<T> data(count);
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(count * sizeof(T)),
                       data.data());
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return data;
}

GLint bufferSize(GLuint buffer) {
    GLint size = -1;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return size;
}

class ModelTest : public GlTest {
  protected:
    ScratchDir dir{"model"};
};

const char* QuadObj = "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\n"
                      "vt 0 0.25\nvt 1 0.25\nvt 1 1\nvt 0 1\n"
                      "vn 0 0 1\n"
                      "f 1/1/1 2/2/1 3/3/1 4/4/1\n";

} // namespace

TEST_F(ModelTest, QuadFaceIsTriangulatedAndVFlipped) {
    auto model = load(dir.write("quad.obj", QuadObj));
    ASSERT_EQ(model->getMeshCount(), 1u);
    const Mesh& mesh = model->getMesh(0);
    EXPECT_EQ(mesh.indexCount, 6u);
    ASSERT_EQ(model->getTriangles().size(), 2u);
    for (const Triangle& t : model->getTriangles())
        for (const glm::vec3& p : {t.a, t.b, t.c}) {
            EXPECT_TRUE(p.x == 0.0f || p.x == 2.0f);
            EXPECT_FLOAT_EQ(p.z, 0.0f);
        }
    ASSERT_EQ(mesh.vertices.size(), 4u);
    for (const Vertex& v : mesh.vertices) {
        // v = 0.25 in the file arrives as 0.75, v = 1 as 0.
        if (v.position.y == 0.0f)
            EXPECT_FLOAT_EQ(v.texCoord.y, 0.75f);
        else
            EXPECT_FLOAT_EQ(v.texCoord.y, 0.0f);
        EXPECT_EQ(v.lightMapCoord, glm::vec2(-99999.0f));
        EXPECT_EQ(v.normal, glm::vec3(0, 0, 1));
    }
    EXPECT_EQ(mesh.centroid, glm::vec3(1, 1, 0));
}

TEST_F(ModelTest, TrianglesFollowTheFaceIndices) {
    auto model = load(dir.write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n"
                                           "f 1/1/1 2/1/1 3/1/1\n"));
    ASSERT_EQ(model->getMeshCount(), 1u);
    const Mesh& mesh = model->getMesh(0);
    const std::vector<unsigned> indices = readBuffer<unsigned>(mesh.indexBuffer.get(), 3);
    ASSERT_EQ(model->getTriangles().size(), 1u);
    const Triangle t = model->getTriangles()[0];
    EXPECT_EQ(t.a, mesh.vertices[indices[0]].position);
    EXPECT_EQ(t.b, mesh.vertices[indices[1]].position);
    EXPECT_EQ(t.c, mesh.vertices[indices[2]].position);
    EXPECT_EQ(t.b, glm::vec3(1, 0, 0));
}

TEST_F(ModelTest, PointAndLineFacesAreSkipped) {
    auto model = load(dir.write("mixed.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nv 6 6 6\n"
                                             "vt 0 0\nvn 0 0 1\n"
                                             "f 1/1/1 2/1/1 3/1/1\n"
                                             "l 4 5\n"
                                             "p 4\n"));
    unsigned indices = 0;
    for (size_t i = 0; i < model->getMeshCount(); ++i) {
        indices += model->getMesh(i).indexCount;
        EXPECT_EQ(model->getMesh(i).indexCount % 3, 0u);
    }
    EXPECT_EQ(indices, 3u);
    ASSERT_EQ(model->getTriangles().size(), 1u);
    EXPECT_EQ(model->getTriangles()[0].a, glm::vec3(0, 0, 0));
}

TEST_F(ModelTest, MissingNormalsAndTextureSetsBecomeZeros) {
    const struct {
        const char* name;
        std::string obj;
        glm::vec2 texCoord;
    } cases[] = {
        {"no normals", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.25\nf 1/1 2/1 3/1\n", {0.5f, 0.75f}},
        {"no normals or texture sets", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", {0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        auto model = load(dir.write(std::string(c.name) + ".obj", c.obj));
        ASSERT_EQ(model->getMeshCount(), 1u) << c.name;
        EXPECT_EQ(model->getMesh(0).indexCount, 3u) << c.name;
        for (const Vertex& v : model->getMesh(0).vertices) {
            EXPECT_EQ(v.normal, glm::vec3(0.0f)) << c.name;
            EXPECT_EQ(v.texCoord, c.texCoord) << c.name;
            EXPECT_EQ(v.lightMapCoord, glm::vec2(-99999.0f)) << c.name;
        }
    }
}

TEST_F(ModelTest, SecondTextureSetOnlyWhenExactlyTwo) {
    for (unsigned sets : {1u, 2u, 3u}) {
        SCOPED_TRACE(sets);
        auto scene = triangleScene(sets);
        const std::string path =
            exportScene(*scene, dir.file("sets" + std::to_string(sets) + ".dae"));
        {
            // The file really carries that many sets.
            Assimp::Importer importer;
            const aiScene* written = importer.ReadFile(path, 0);
            ASSERT_NE(written, nullptr);
            ASSERT_EQ(written->mMeshes[0]->GetNumUVChannels(), sets);
        }
        auto model = load(path);
        ASSERT_EQ(model->getMeshCount(), 1u);
        const Mesh& mesh = model->getMesh(0);
        ASSERT_EQ(mesh.vertices.size(), 3u);
        for (const Vertex& v : mesh.vertices) {
            // Vertex j sits at x = 1 for j = 1; its sets were written as (k + j/10, 0.25).
            const float j = v.position.x == 1.0f ? 1.0f : (v.position.y == 1.0f ? 2.0f : 0.0f);
            EXPECT_NEAR(v.texCoord.x, 0.1f * j, 1e-5f);
            EXPECT_NEAR(v.texCoord.y, 0.75f, 1e-5f);
            if (sets == 2) {
                EXPECT_NEAR(v.lightMapCoord.x, 1.0f + 0.1f * j, 1e-5f);
                EXPECT_NEAR(v.lightMapCoord.y, 0.75f, 1e-5f);
            } else {
                EXPECT_EQ(v.lightMapCoord, glm::vec2(-99999.0f));
            }
        }
    }
}

TEST_F(ModelTest, BuffersHoldTheVerticesAndIndices) {
    auto model = load(dir.write("quad.obj", QuadObj));
    ASSERT_EQ(model->getMeshCount(), 1u);
    const Mesh& mesh = model->getMesh(0);
    EXPECT_EQ(bufferSize(mesh.vertexBuffer.get()), 4 * 40);
    EXPECT_EQ(bufferSize(mesh.indexBuffer.get()), 6 * 4);
    const std::vector<Vertex> gpu = readBuffer<Vertex>(mesh.vertexBuffer.get(), 4);
    EXPECT_EQ(std::memcmp(gpu.data(), mesh.vertices.data(), 4 * sizeof(Vertex)), 0);
    const std::vector<unsigned> indices = readBuffer<unsigned>(mesh.indexBuffer.get(), 6);
    for (unsigned i : indices)
        EXPECT_LT(i, 4u);
}

TEST_F(ModelTest, VertexArrayRecordsTheAttributeTable) {
    auto model = load(dir.write("quad.obj", QuadObj));
    const Mesh& mesh = model->getMesh(0);
    glBindVertexArray(mesh.vertexArray.get());
    GLint elementBuffer = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
    EXPECT_EQ(static_cast<GLuint>(elementBuffer), mesh.indexBuffer.get());
    const size_t offsets[4] = {0, 12, 20, 28};
    for (GLuint index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        GLint value = 0;
        glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &value);
        EXPECT_EQ(value, GL_TRUE);
        glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_SIZE, &value);
        EXPECT_EQ(value, 3); // attributes 1 and 2 too
        glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &value);
        EXPECT_EQ(value, 40);
        glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_TYPE, &value);
        EXPECT_EQ(value, GL_FLOAT);
        glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &value);
        EXPECT_EQ(value, GL_FALSE);
        glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &value);
        EXPECT_EQ(static_cast<GLuint>(value), mesh.vertexBuffer.get());
        void* pointer = nullptr;
        glGetVertexAttribPointerv(index, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
        EXPECT_EQ(reinterpret_cast<size_t>(pointer), offsets[index]);
    }
    glBindVertexArray(0);
}

TEST_F(ModelTest, MaterialsWithDiffuseTexturesGetTextureAndColours) {
    const std::vector<unsigned char> rgb(12, 90);
    const std::string image = dir.file("wood.png");
    ASSERT_NE(stbi_write_png(image.c_str(), 2, 2, 3, rgb.data(), 6), 0);
    dir.write("mats.mtl", "newmtl textured\nKa 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.7 0.8 0.9\n"
                          "map_Kd " +
                              image +
                              "\n"
                              "newmtl plain\nKd 1 1 1\n");
    const std::string path = dir.write("mats.obj", "mtllib mats.mtl\n"
                                                   "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n"
                                                   "o a\nusemtl textured\nf 1/1/1 2/1/1 3/1/1\n"
                                                   "o b\nusemtl plain\nf 1/1/1 3/1/1 2/1/1\n");
    std::unique_ptr<Model> model;
    const std::string out = captureReports([&] { model = loadModel(path); });
    EXPECT_NE(out.find(image + " - texture successfully loaded\n"), std::string::npos) << out;
    ASSERT_EQ(model->getMeshCount(), 2u);
    const auto& materials = model->getMaterials();
    const Material* textured = materials.at(model->getMesh(0).materialIndex).get();
    ASSERT_NE(textured, nullptr);
    EXPECT_NE(textured->texture->getName(), 0u);
    EXPECT_EQ(textured->ambient, glm::vec3(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(textured->diffuse, glm::vec3(0.4f, 0.5f, 0.6f));
    EXPECT_EQ(textured->specular, glm::vec3(0.7f, 0.8f, 0.9f));
    EXPECT_EQ(materials.at(model->getMesh(1).materialIndex), nullptr);
    size_t withTexture = 0;
    for (const auto& m : materials)
        withTexture += m != nullptr ? 1 : 0;
    EXPECT_EQ(withTexture, 1u);
}

TEST_F(ModelTest, DrawSetsMaterialColoursAndBindsTexturesOnlyForMaterials) {
    const std::vector<unsigned char> rgb(12, 90);
    const std::string image = dir.file("wood.png");
    ASSERT_NE(stbi_write_png(image.c_str(), 2, 2, 3, rgb.data(), 6), 0);
    dir.write("one.mtl", "newmtl textured\nKa 0 0 0\nKd 0 1 0\nKs 0 0 0\nmap_Kd " + image + "\n");
    const std::string path =
        dir.write("one.obj", "mtllib one.mtl\n"
                             "v -1 -1 0\nv 3 -1 0\nv -1 3 0\nvt 0 0\nvn 0 0 1\n"
                             "usemtl textured\nf 1/1/1 2/1/1 3/1/1\n");
    auto model = load(path);
    ASSERT_EQ(model->getMeshCount(), 1u);
    const GLuint program =
        renderfix::compileProgram(renderfix::ModelVertexSource, renderfix::ModelFragmentSource);
    glUseProgram(program);
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    glUniformMatrix4fv(glGetUniformLocation(program, "mvp"), 1, GL_FALSE, identity);
    glUniformMatrix4fv(glGetUniformLocation(program, "modelMat"), 1, GL_FALSE, identity);
    glUniform1f(glGetUniformLocation(program, "alpha"), 1.0f);

    renderfix::OffscreenTarget target(16, 16);
    glActiveTexture(GL_TEXTURE0);
    model->draw(program, 3);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE3);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    const Material& material = *model->getMaterials().at(model->getMesh(0).materialIndex);
    EXPECT_EQ(static_cast<GLuint>(bound), material.texture->getName());
    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);

    float diffuse[3] = {0, 0, 0};
    glGetUniformfv(program, glGetUniformLocation(program, "material.diffuse"), diffuse);
    EXPECT_FLOAT_EQ(diffuse[1], 1.0f);
    const std::vector<unsigned char> pixels = testgl::readPixels(8, 8, 1, 1);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 255);
    EXPECT_EQ(pixels[2], 0);

    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glUseProgram(0);
    glDeleteProgram(program);
}

TEST_F(ModelTest, DrawWithoutMaterialsTouchesNoTextureOrColour) {
    auto model = load(dir.write("plain.obj", "v -1 -1 0\nv 3 -1 0\nv -1 3 0\nvt 0 0\nvn 0 0 1\n"
                                             "f 1/1/1 2/1/1 3/1/1\n"));
    const GLuint program =
        renderfix::compileProgram(renderfix::ModelVertexSource, renderfix::ModelFragmentSource);
    glUseProgram(program);
    const GLint diffuseLocation = glGetUniformLocation(program, "material.diffuse");
    glUniform3f(diffuseLocation, 0.25f, 0.5f, 0.75f);
    glActiveTexture(GL_TEXTURE0);
    model->draw(program, 3);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    float diffuse[3] = {0, 0, 0};
    glGetUniformfv(program, diffuseLocation, diffuse);
    EXPECT_FLOAT_EQ(diffuse[0], 0.25f);
    EXPECT_FLOAT_EQ(diffuse[2], 0.75f);
    glUseProgram(0);
    glDeleteProgram(program);
}

TEST_F(ModelTest, DestructionDeletesEveryMeshName) {
    GLuint names[3] = {0, 0, 0};
    {
        auto model = load(dir.write("quad.obj", QuadObj));
        const Mesh& mesh = model->getMesh(0);
        names[0] = mesh.vertexBuffer.get();
        names[1] = mesh.indexBuffer.get();
        names[2] = mesh.vertexArray.get();
        EXPECT_TRUE(glIsBuffer(names[0]));
        EXPECT_TRUE(glIsVertexArray(names[2]));
    }
    EXPECT_FALSE(glIsBuffer(names[0]));
    EXPECT_FALSE(glIsBuffer(names[1]));
    EXPECT_FALSE(glIsVertexArray(names[2]));
}

TEST_F(ModelTest, MovedMeshKeepsItsNamesAndTheSourceLetsGo) {
    auto model = load(dir.write("quad.obj", QuadObj));
    Mesh moved(std::move(model->meshes[0]));
    EXPECT_EQ(model->meshes[0].vertexBuffer.get(), 0u);
    EXPECT_EQ(model->meshes[0].vertexArray.get(), 0u);
    EXPECT_TRUE(glIsBuffer(moved.vertexBuffer.get()));
    model.reset(); // must not delete what moved now owns
    EXPECT_TRUE(glIsBuffer(moved.vertexBuffer.get()));
    EXPECT_TRUE(glIsVertexArray(moved.vertexArray.get()));
}

// What is no model at all prints the error line (after a line saying why, where there is one)
// and leaves an empty model that draws nothing: a missing file, a folder (not a regular file),
// a file larger than any model, a scene without a single mesh, an FBX node graph the importer
// would recurse through without end.
TEST_F(ModelTest, WhatIsNoModelPrintsTheLineAndLeavesAnEmptyModel) {
    std::filesystem::create_directories(dir.file("folder.obj"));
    // Larger than any model the game reads (a sparse file: no disk is used).
    std::filesystem::resize_file(dir.write("huge.fbx", ""), (256u << 20) + 1);
    const std::string loop =
        dir.write("loop.fbx", hostile::binaryFbxModels({1, 2}, {{1, 0}, {2, 1}, {1, 2}}, 7400));
    const struct {
        const char* name;
        std::string path;
        std::string why;
    } cases[] = {
        {"missing file", "Obj/missing.obj", ""},
        {"folder", dir.file("folder.obj"), dir.file("folder.obj") + ": not a regular file\n"},
        {"too large", dir.file("huge.fbx"), dir.file("huge.fbx") + ": larger than 256 MB\n"},
        {"no mesh",
         dir.write("empty.obj", "# a wall without geometry\no wall\ng slab\nusemtl none\n"), ""},
        {"node loop", loop, loop + ": a model is its own ancestor in the node hierarchy\n"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Model> model;
        const std::string out = captureReports([&] { model = loadModel(c.path); });
        EXPECT_EQ(out, c.why + "error loading model " + c.path + "\n") << c.name;
        ASSERT_NE(model, nullptr) << c.name;
        EXPECT_TRUE(model->isEmpty()) << c.name;
        EXPECT_EQ(model->getMeshCount(), 0u) << c.name;
        EXPECT_TRUE(model->getTriangles().empty()) << c.name;
        EXPECT_TRUE(model->getMaterials().empty()) << c.name;
        EXPECT_TRUE(model->getVertexPositions().empty()) << c.name;
        model->draw(0, unit::Material); // draws nothing, touches nothing
    }
}

// Coordinates far beyond any level (or not numbers at all) still load every triangle.
TEST_F(ModelTest, HugeAndNonFiniteCoordinatesKeepEveryTriangle) {
    auto model = load(dir.write("far.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 3e13\n"
                                           "v 1 0 -3e13\nv 0 1 nan\nv 0 0 inf\n"
                                           "f 1 2 3\nf 4 5 6\nf 1 2 4\nf 3 6 7\n"));
    EXPECT_EQ(model->getTriangles().size(), 4u);
    Frustum frustum;
    frustum.build(90.0f, 1.0f, 0.1f, 100.0f, glm::vec3(0, 0, -1), glm::vec3(0, 1, 0),
                  glm::vec3(0, 0, 5));
    const GLuint program =
        renderfix::compileProgram(renderfix::ModelVertexSource, renderfix::ModelFragmentSource);
    glUseProgram(program);
    while (glGetError() != GL_NO_ERROR) {
    }
    model->drawNearestFirst({}, unit::Material, nullptr, unit::SecondTexture, glm::mat4(1.0f),
                            frustum);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glUseProgram(0);
    glDeleteProgram(program);
}
