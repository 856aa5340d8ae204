#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

// Liquid crystal style text display: every segment of every cell is drawn, lit ones bright and
// unlit ones dim. The picture is prepared whenever the text or a property changes; painting
// only copies it, so the display can follow a running clock cheaply.
class TOvrenLiquidIndicator final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TOvrenLiquidIndicator)

public:
    enum TColorScheme { csSilver, csInvSilver, csWhite, csBlack, csPlasma, csInvPlasma, csBlue };
    Q_ENUM(TColorScheme)
    enum TIndicatorKind { ik7segment, ik5x7matrix, ik9segment };
    Q_ENUM(TIndicatorKind)
    enum TBevelKind { bkUP, bkDown, bkNone };
    Q_ENUM(TBevelKind)
    enum TIndicatorStyle { isThin, isNormal, isThick };
    Q_ENUM(TIndicatorStyle)
    enum TMouseAction { maNone, maColor, maWidth, maBoth };
    Q_ENUM(TMouseAction)
    enum TTransparentMode { tmNone, tmBackOnly, tmAll };
    Q_ENUM(TTransparentMode)
    enum TMaterialShadowMode { msmDark, msmLight, msmNone };
    Q_ENUM(TMaterialShadowMode)
    enum TMaterialMode { mmStretch, mmTile };
    Q_ENUM(TMaterialMode)

private:
    Q_PROPERTY(TColorScheme ColorScheme READ colorScheme WRITE setColorScheme)
    Q_PROPERTY(int SignNumber READ signNumber WRITE setSignNumber)
    Q_PROPERTY(int IndicatorWidth READ indicatorWidth WRITE setIndicatorWidth)
    Q_PROPERTY(int IndicatorHeight READ indicatorHeight WRITE setIndicatorHeight)
    Q_PROPERTY(int IndicatorAngle READ indicatorAngle WRITE setIndicatorAngle)
    Q_PROPERTY(int IndicatorGap READ indicatorGap WRITE setIndicatorGap)
    Q_PROPERTY(QString Indicatorstring READ indicatorString WRITE setIndicatorString)
    Q_PROPERTY(TIndicatorKind IndicatorKind READ indicatorKind WRITE setIndicatorKind)
    Q_PROPERTY(TBevelKind InnerBevel READ innerBevel WRITE setInnerBevel)
    Q_PROPERTY(TBevelKind OuterBevel READ outerBevel WRITE setOuterBevel)
    Q_PROPERTY(int InnerBevelWidth READ innerBevelWidth WRITE setInnerBevelWidth)
    Q_PROPERTY(int OuterBevelWidth READ outerBevelWidth WRITE setOuterBevelWidth)
    Q_PROPERTY(QColor BevelColor READ bevelColor WRITE setBevelColor)
    Q_PROPERTY(QColor BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(QColor NumberForeColor READ numberForeColor WRITE setNumberForeColor)
    Q_PROPERTY(QColor NumberForeColor1 READ numberForeColor1 WRITE setNumberForeColor1)
    Q_PROPERTY(QColor NumberBackColor READ numberBackColor WRITE setNumberBackColor)
    Q_PROPERTY(TIndicatorStyle IndicatorStyle READ indicatorStyle WRITE setIndicatorStyle)
    Q_PROPERTY(TMouseAction MouseAction READ mouseAction WRITE setMouseAction)
    Q_PROPERTY(TTransparentMode TransparentMode READ transparentMode WRITE setTransparentMode)
    Q_PROPERTY(QPixmap BackMaterial READ backMaterial WRITE setBackMaterial)
    Q_PROPERTY(QPixmap ForeMaterial READ foreMaterial WRITE setForeMaterial)
    Q_PROPERTY(TMaterialShadowMode MaterialShadowMode READ materialShadowMode WRITE setMaterialShadowMode)
    Q_PROPERTY(TMaterialMode MaterialMode READ materialMode WRITE setMaterialMode)
    Q_PROPERTY(TMaterialMode ForeMaterialMode READ foreMaterialMode WRITE setForeMaterialMode)

public:
    explicit TOvrenLiquidIndicator(QWidget *parent = nullptr);
    ~TOvrenLiquidIndicator() override;

    // The main window's large time display: nine-segment cells, lit pure green on black with
    // very dark green ghost segments, 545 x 101, seven cells, showing "00:00.00".
    static void configureAsTablo(TOvrenLiquidIndicator &indicator);

    // Between these two, cell count, size, angle and colour scheme are only stored, as while a
    // window is being loaded; a scheme assigned then keeps the colours assigned with it.
    void beginLoading();
    void finishLoading();
    bool isLoading() const { return !m_loaded; }

    TColorScheme colorScheme() const { return m_colorScheme; }
    void setColorScheme(TColorScheme scheme);
    int signNumber() const { return m_signNumber; }
    void setSignNumber(int count);
    int indicatorWidth() const { return m_indicatorWidth; }
    void setIndicatorWidth(int width);
    int indicatorHeight() const { return m_indicatorHeight; }
    void setIndicatorHeight(int height);
    int indicatorAngle() const { return m_indicatorAngle; }
    void setIndicatorAngle(int tenthsOfDegree);
    int indicatorGap() const { return m_indicatorGap; }
    void setIndicatorGap(int gap);
    QString indicatorString() const { return m_text; }
    void setIndicatorString(const QString &text);
    QString text() const { return m_text; }
    void setText(const QString &text) { setIndicatorString(text); }
    TIndicatorKind indicatorKind() const { return m_kind; }
    void setIndicatorKind(TIndicatorKind kind);
    TBevelKind innerBevel() const { return m_innerBevel; }
    void setInnerBevel(TBevelKind bevel);
    TBevelKind outerBevel() const { return m_outerBevel; }
    void setOuterBevel(TBevelKind bevel);
    int innerBevelWidth() const { return m_innerBevelWidth; }
    void setInnerBevelWidth(int width);
    int outerBevelWidth() const { return m_outerBevelWidth; }
    void setOuterBevelWidth(int width);
    QColor bevelColor() const { return m_bevelColor; }
    void setBevelColor(const QColor &color);
    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor &color);
    QColor numberForeColor() const { return m_foreColor; }
    void setNumberForeColor(const QColor &color);
    QColor numberForeColor1() const { return m_hoverColor; }
    void setNumberForeColor1(const QColor &color);
    QColor numberBackColor() const { return m_unlitColor; }
    void setNumberBackColor(const QColor &color);
    TIndicatorStyle indicatorStyle() const { return m_style; }
    void setIndicatorStyle(TIndicatorStyle style);
    TMouseAction mouseAction() const { return m_mouseAction; }
    void setMouseAction(TMouseAction action);
    TTransparentMode transparentMode() const { return m_transparentMode; }
    void setTransparentMode(TTransparentMode mode);
    QPixmap backMaterial() const { return m_backMaterial; }
    void setBackMaterial(const QPixmap &picture);
    QPixmap foreMaterial() const { return m_foreMaterial; }
    void setForeMaterial(const QPixmap &picture);
    TMaterialShadowMode materialShadowMode() const { return m_shadowMode; }
    void setMaterialShadowMode(TMaterialShadowMode mode);
    TMaterialMode materialMode() const { return m_materialMode; }
    void setMaterialMode(TMaterialMode mode);
    TMaterialMode foreMaterialMode() const { return m_foreMaterialMode; }
    void setForeMaterialMode(TMaterialMode mode);

    // Polygons of one rebuild: all points in one array, a point count per polygon.
    struct PolygonList
    {
        QList<QPoint> points;
        QList<int> counts;
        int polygonCount() const { return int(counts.size()); }
    };
    const PolygonList &litPolygons() const { return m_lit; }
    const PolygonList &unlitPolygons() const { return m_unlit; }
    // The prepared picture that painting copies, at the widget's device pixel ratio.
    const QImage &preparedImage() const { return m_image; }
    // How many times the picture has been prepared; lets callers see that a repeat did nothing.
    quint64 rebuildCount() const { return m_rebuildCount; }
    bool isMouseInside() const { return m_mouseInside; }

    QSize sizeHint() const override;

signals:
    void mouseEnter(TOvrenLiquidIndicator *sender);
    void mouseExit(TOvrenLiquidIndicator *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    template<typename T> void assign(T &member, const T &value);
    void rebuildIfLoaded();
    void rebuild();
    void fitWidgetToIndicator();
    QSize rotatedIndicatorSize() const;
    void applyScheme();
    void buildPolygons();
    void setMouseInside(bool inside);

    TColorScheme m_colorScheme = csSilver;
    int m_signNumber = 10;
    int m_indicatorWidth = 172;
    int m_indicatorHeight = 36;
    int m_indicatorAngle = 0;
    int m_indicatorGap = 2;
    QString m_text;
    TIndicatorKind m_kind = ik7segment;
    TBevelKind m_innerBevel = bkDown;
    TBevelKind m_outerBevel = bkUP;
    int m_innerBevelWidth = 2;
    int m_outerBevelWidth = 2;
    QColor m_bevelColor;
    QColor m_backColor;
    QColor m_foreColor;
    QColor m_hoverColor;
    QColor m_unlitColor;
    TIndicatorStyle m_style = isNormal;
    TMouseAction m_mouseAction = maNone;
    TTransparentMode m_transparentMode = tmNone;
    QPixmap m_backMaterial;
    QPixmap m_foreMaterial;
    TMaterialShadowMode m_shadowMode = msmDark;
    TMaterialMode m_materialMode = mmStretch;
    TMaterialMode m_foreMaterialMode = mmStretch;

    PolygonList m_lit;
    PolygonList m_unlit;
    QImage m_image;
    bool m_mouseInside = false;
    bool m_loaded = true;
    bool m_fitting = false;
    quint64 m_rebuildCount = 0;
};
