; The measurement plug-in as scripts use it: lengths, cuts, matrices and
; transforms, by procedure name.

(define (qv-straight-path image name)
  (qv-add-path image name '(0 0 100 0)))

(define (qv-values-near what expected actual tolerance)
  (for-each (lambda (e a) (qv-check-near what e a tolerance)) expected actual))

(qv-test "all 21 procedures are registered with their argument and value counts"
         (lambda ()
           (qv-check-counts
            '(("plug-in-qv-path-get-length" 2 8) ("plug-in-qv-path-get-at-length" 3 8)
              ("plug-in-qv-path-get-nearXY" 4 9) ("plug-in-qv-path-get-minMax" 2 8)
              ("plug-in-qv-path-new-begin" 4 8) ("plug-in-qv-path-new-end" 4 8)
              ("plug-in-qv-path-new-both" 5 8) ("plug-in-qv-path-new-middle" 5 8)
              ("plug-in-qv-matrix3x3-for-perspective" 4 2) ("plug-in-qv-matrix3x3-multiply" 4 2)
              ("plug-in-qv-matrix3x3-inverse" 2 2) ("plug-in-qv-matrix3x3-for-perspective-path" 3 2)
              ("plug-in-qv-transform-path-matrix3x3" 4 0) ("plug-in-qv-transform-drawable" 3 0)
              ("plug-in-qv-transform-locked-layers" 3 0) ("plug-in-qv-transform-locked-path" 3 0)
              ("plug-in-qv-transform-locked-path-layers" 3 0) ("plug-in-qv-transform-drawable-matrix3x3" 4 0)
              ("plug-in-qv-path-set-style-attribute" 4 0) ("plug-in-qv-path-get-style-attribute" 3 1)))
           (qv-check-equal "get-length blurb" "Returns path-length etc..."
                           (car (gimp-procedural-db-proc-info "plug-in-qv-path-get-length")))
           (qv-check-equal "nearXY first value" (list PDB-FLOAT "distance" "length where the x/y values are nearest to the path!")
                           (gimp-procedural-db-proc-val "plug-in-qv-path-get-nearXY" 0))
           (qv-check-equal "pathName" (list PDB-STRING "pathName" "or \"\" to use current path!")
                           (gimp-procedural-db-proc-arg "plug-in-qv-path-get-length" 1))))

(qv-test "length, end point and the point at a length"
         (lambda ()
           (let ((image (qv-new-image 120 40)))
             (qv-straight-path image "line")
             (let ((r (plug-in-qv-path-get-length image "line")))
               (qv-check-near "length" 100 (list-ref r 0) 0.01)
               (qv-check-near "end x" 100 (list-ref r 2) 0.01)
               (qv-check-near "end y" 0 (list-ref r 3) 0.01))
             (let ((r (plug-in-qv-path-get-at-length image "line" 40)))
               (qv-check-near "stopped at" 40 (list-ref r 0) 0.5)
               (qv-check-near "x at 40" 40 (list-ref r 2) 0.5))
             (let ((r (plug-in-qv-path-get-at-length image "line" 500)))
               (qv-check-near "beyond: the length" 100 (list-ref r 0) 0.01)
               (qv-check-near "beyond: the end point" 100 (list-ref r 2) 0.01))
             (let ((r (plug-in-qv-path-get-nearXY image "" 30 10)))
               (qv-check-near "nearest length, current path" 30 (list-ref r 0) 0.5))
             (let ((r (plug-in-qv-path-get-minMax image "line")))
               (qv-values-near "min max" '(0 0 100 0 0 0 100 0) r 0.01))
             (gimp-image-delete image))))

(qv-test "new-middle makes one path of length 30 named middle"
         (lambda ()
           (let ((image (qv-new-image 120 40)))
             (qv-straight-path image "line")
             (plug-in-qv-path-new-middle image "line" "" 20 50)
             (qv-check-equal "paths" 2 (car (gimp-image-get-vectors image)))
             (qv-check-near "middle length" 30
                            (car (plug-in-qv-path-get-length image "middle")) 0.5)
             (plug-in-qv-path-new-both image "line" "" "" 25)
             (qv-check-near "begin" 25 (car (plug-in-qv-path-get-length image "begin")) 0.5)
             (qv-check-near "end" 75 (car (plug-in-qv-path-get-length image "end")) 0.5)
             (gimp-image-delete image))))

(qv-test "unknown paths give zeros and change nothing"
         (lambda ()
           (let ((image (qv-new-image 20 20)))
             (qv-values-near "zeros" '(0 0 0 0 0 0 0 0) (plug-in-qv-path-get-length image "nothing") 0)
             (plug-in-qv-path-new-begin image "nothing" "" 10)
             (qv-check-equal "no path made" 0 (car (gimp-image-get-vectors image)))
             (gimp-image-delete image))))

(qv-test "matrices: identity, product, singular inverse"
         (lambda ()
           (let* ((corners (vector 100 0 0 0 0 100 100 100))
                  (r (plug-in-qv-matrix3x3-for-perspective 8 corners 8 corners)))
             (qv-check-equal "nrMatrix" 9 (car r))
             (qv-values-near "identity" '(1 0 0 0 1 0 0 0 1) (vector->list (cadr r)) 1e-9))
           (let ((r (plug-in-qv-matrix3x3-for-perspective 8 (vector 0 0 1 1 2 2 0 5) 8 (vector 0 0 1 0 0 1 1 1))))
             (qv-check-equal "collinear corners" 0 (car r)))
           (let ((r (plug-in-qv-matrix3x3-multiply 9 (vector 2 0 0 0 2 0 0 0 1) 9 (vector 1 0 5 0 1 7 0 0 1))))
             (qv-values-near "product" '(2 0 10 0 2 14 0 0 1) (vector->list (cadr r)) 1e-12))
           (let ((r (plug-in-qv-matrix3x3-inverse 9 (vector 1 2 3 1 2 3 0 0 1))))
             (qv-check-equal "singular" 0 (car r)))
           (let ((r (plug-in-qv-matrix3x3-inverse 9 (vector 2 0 0 0 4 0 0 0 1))))
             (qv-values-near "inverse" '(0.5 0 0 0 0.25 0 0 0 1) (vector->list (cadr r)) 1e-12))
           ; A wrong size returns the status alone; GIMP fills in no matrix.
           (let ((r (plug-in-qv-matrix3x3-multiply 8 (vector 1 0 0 0 1 0 0 0) 9 (vector 1 0 0 0 1 0 0 0 1))))
             (qv-check-equal "nrMatrix of a refused call" 0 (car r)))))

(qv-test "a path moved by a matrix keeps its name and style"
         (lambda ()
           (let ((image (qv-new-image 200 100)))
             (qv-straight-path image "line")
             (plug-in-qv-path-set-style-attribute image "line" "stroke" "1 2 3")
             (plug-in-qv-transform-path-matrix3x3 image "line" 9 (vector 1 0 10 0 1 20 0 0 1))
             (let ((r (plug-in-qv-path-get-minMax image "line")))
               (qv-values-near "moved" '(10 20 110 20 10 20 110 20) r 0.01))
             (qv-check-equal "style kept" "1 2 3" (car (plug-in-qv-path-get-style-attribute image "line" "stroke")))
             (gimp-image-delete image))))

(qv-test "style getter answers defaults as text"
         (lambda ()
           (let ((image (qv-new-image 20 20)))
             (qv-straight-path image "line")
             (plug-in-qv-path-set-style-attribute image "line" "aspect-ratio-mode" "8")
             (qv-check-equal "opacity default" "100.0" (car (plug-in-qv-path-get-style-attribute image "line" "opacity")))
             (qv-check-equal "aspect 8 reads 13" "13" (car (plug-in-qv-path-get-style-attribute image "line" "Aspect-Ratio-Mode:")))
             (gimp-image-delete image))))
